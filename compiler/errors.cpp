#include "compiler/errors.h"

#include <map>

namespace scenario {

namespace {

struct ErrorText {
    const char* meaning;
    bool has_position;
};

const std::map<std::int32_t, ErrorText>& error_table() {
    static const std::map<std::int32_t, ErrorText> table{
        {1, {"route length out of range (0 to 1000000 m)", false}},
        {2, {"kilometric reference whose start or value is not a multiple of 50", false}},
        {3, {"cab signalling start not a multiple of 50", false}},
        {4, {"cab signalling end not a multiple of 50", false}},
        {5, {"cab signalling keyword names neither 4 nor 9 codes", false}},
        {6, {"route sign board on a cell already taken", true}},
        {7, {"code drop on a cell already taken", true}},
        {8, {"station position not a multiple of 50", true}},
        {9, {"station length not a multiple of 100", true}},
        {10, {"too many stations for the record slots", false}},
        {11, {"signal behind a slowdown's advance point with no free cell in front of it", true}},
        {12, {"no free cell for a code before the start of a slowdown", true}},
        {13, {"no free cell for a code change inside or after a slowdown", true}},
        {15, {"position beyond the end of the track", true}},
        {16, {"signal on a cell already taken", true}},
        {17, {"slowdown advance point on a cell already taken", true}},
        {18, {"slowdown start on a cell already taken", true}},
        {19, {"slowdown end on a cell already taken", true}},
        {20, {"slowdown warning boards on cells already taken", true}},
        {21, {"maximum-speed boards on a cell already taken", true}},
        {22, {"station less than 350 m after the end of the previous one", true}},
        {24, {"station stop point too close to the origin", false}},
        {25, {"read fault in a scenario text", false}},
        {101, {"route text not found", false}},
        {102, {"no [generale] in the route text", false}},
        {103, {"curve without a class, or a plan longer than its limit", false}},
        {104, {"no route length row", false}},
        {106, {"too many route sign boards (80 at most)", false}},
        {1250, {"the scenario's marker slots are already in use", false}},
        {1251, {"the contest-code slots are already in use", false}},
    };
    return table;
}

}  // namespace

std::string error_meaning(std::int32_t code) {
    auto found = error_table().find(code);
    return found == error_table().end() ? "unknown error" : found->second.meaning;
}

bool error_has_position(std::int32_t code) {
    auto found = error_table().find(code);
    return found != error_table().end() && found->second.has_position;
}

std::string cell_kind_name(std::uint8_t kind) {
    switch (kind) {
        case cell_kind::signal:
            return "a signal";
        case cell_kind::slowdown_end:
            return "a slowdown's end";
        case cell_kind::slowdown_start:
            return "a slowdown's start";
        case cell_kind::slowdown_advance:
            return "a slowdown's advance point";
        case cell_kind::slowdown_warning:
            return "a slowdown's warning board";
        case cell_kind::speed_boards:
            return "maximum-speed boards";
        case cell_kind::station_stop:
            return "a station's stop point";
        case cell_kind::code_change:
            return "a code-change point";
        case cell_kind::code_change_plain:
            return "a code drop";
        case cell_kind::sign_board:
            return "a route sign board";
        default:
            return "a feature of kind " + std::to_string(kind);
    }
}

std::string describe_place(const SourceLocation& place) {
    return place.line > 0 ? place.file + " line " + std::to_string(place.line) : place.file;
}

std::string describe_cell(const Model& model, std::int64_t cell) {
    const std::string name = "cell " + std::to_string(cell);
    if (cell < 0 || cell >= static_cast<std::int64_t>(model.cells.size()))
        return name + " lies outside the track";
    const std::uint8_t kind = model.cells[static_cast<std::size_t>(cell)].kind;
    std::string text = name + " already holds " + cell_kind_name(kind);
    const auto origin = model.cell_origins.find(static_cast<std::int32_t>(cell));
    if (origin != model.cell_origins.end()) text += ", from " + describe_place(origin->second);
    return text;
}

Diagnostic error_diagnostic(std::int32_t number, SourceLocation location,
                            std::optional<std::int32_t> position) {
    Diagnostic diagnostic;
    diagnostic.number = number;
    diagnostic.position = position;
    diagnostic.location = std::move(location);
    diagnostic.message = error_meaning(number);
    return diagnostic;
}

void raise_diagnostic(Model& model, Diagnostic diagnostic) {
    if (diagnostic.severity == Severity::error) {
        model.error_code = diagnostic.number;
        if (diagnostic.position) model.error_position = *diagnostic.position;
    }
    model.diagnostics.push_back(std::move(diagnostic));
}

}  // namespace scenario
