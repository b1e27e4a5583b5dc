// Every part that reads the scenario texts finds the same rows in them: the compile, the
// warnings pass, the language server's rows (its outline and hovers) and the view's source
// rows. A row whose first value is no number shows where the compile took a row: it faults
// there with error 25.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "compiler/check.h"
#include "compiler/errors.h"
#include "compiler/row_grammar.h"
#include "compiler/warnings.h"
#include "scenc/common/input_files.h"
#include "scenc/lsp/lsp_features.h"
#include "scenc/lsp/lsp_text.h"
#include "scenc/review/source_rows.h"

namespace scenario::scenc {
namespace {

const std::string route_name = "R_linea.txt";
const std::string train_name = "R_1-.txt";
const std::string length_row = "lunghezza percorso, 10000\r\n";

struct Texts {
    std::string route = "[generale]\r\n" + length_row + "[fine]\r\n";
    std::string train = "[generale]\r\n[fine]\r\n";
    bool in_route = false;
};

// A text holding the row in its place, on line row_line(place).
int row_line(RowPlace place) {
    return place == RowPlace::route_feature ? 4 : 2;
}

Texts texts_with(RowPlace place, const std::string& row) {
    Texts texts;
    if (place == RowPlace::route_general) {
        texts.route = "[generale]\r\n" + row + "\r\n" + length_row + "[fine]\r\n";
    } else if (place == RowPlace::route_feature) {
        texts.route = "[generale]\r\n" + length_row + "[curve]\r\n" + row + "\r\n[fine]\r\n";
    } else {
        texts.train = "[generale]\r\n" + row + "\r\n[fine]\r\n";
    }
    texts.in_route = place != RowPlace::train;
    return texts;
}

Model compiled(const Texts& texts) {
    return compile_texts({route_name, texts.route}, {train_name, texts.train}, carried_identity(),
                         true);
}

// The lines where the compile faulted on a row's value.
std::optional<int> compile_fault_line(const Texts& texts) {
    for (const Diagnostic& d : compiled(texts).diagnostics) {
        if (d.number == error_number::read_fault) return d.location.line;
    }
    return std::nullopt;
}

// The line of a warning that says a field is read as a row of this keyword.
std::optional<int> warned_read_as(const Texts& texts, std::string_view keyword) {
    const std::string read_as = "read as a \"" + std::string(keyword) + "\" row";
    for (const Diagnostic& d :
         scenario_warnings({route_name, texts.route}, {train_name, texts.train}, compiled(texts))) {
        if ((d.name == warning_name::header_keyword || d.name == warning_name::comment_limit) &&
            d.message.find(read_as) != std::string::npos) {
            return d.location.line;
        }
    }
    return std::nullopt;
}

std::optional<int> language_server_line(const Texts& texts, RowKind kind) {
    const std::string& text = texts.in_route ? texts.route : texts.train;
    for (const lsp::TextRow& row :
         lsp::text_rows(text, texts.in_route ? lsp::TextRole::route : lsp::TextRole::train)) {
        if (row.kind == &row_grammar_of(kind)) return row.line;
    }
    return std::nullopt;
}

// The view refuses a text with a row it cannot read to its end: then the line it names.
std::optional<int> view_line(const Texts& texts, RowKind kind) {
    try {
        const SourceRows rows(texts.route, route_name, texts.train, train_name);
        for (const SourceRow& row : rows.rows()) {
            if (row.kind == kind) return row.line;
        }
    } catch (const UsageProblem& problem) {
        const std::string what = problem.what();
        const std::size_t colon = what.find(':', what.find(".txt:"));
        return std::stoi(what.substr(colon + 1));
    }
    return std::nullopt;
}

// The row of a kind with every value 0 (its text "T").
std::string zero_row(const RowGrammar& kind) {
    std::string row(kind.keyword);
    for (const FieldGrammar& field : kind.fields)
        row += field.type == FieldType::text ? ", T" : ", 0";
    return row;
}

TEST(RowReaders, EveryPartReadsAMinimalRowOfEachKindAsThatKind) {
    for (const RowGrammar& kind : row_grammar) {
        SCOPED_TRACE(kind.keyword);
        const int line = row_line(kind.place);
        const std::string keyword(kind.keyword);
        EXPECT_EQ(compile_fault_line(texts_with(kind.place, keyword + ", x")), line);
        EXPECT_EQ(warned_read_as(texts_with(kind.place, "[" + keyword + "], x"), kind.keyword),
                  line);
        EXPECT_EQ(language_server_line(texts_with(kind.place, keyword + ", x"), kind.kind), line);
        EXPECT_EQ(view_line(texts_with(kind.place, zero_row(kind)), kind.kind), line);
    }
}

TEST(RowReaders, CommentLimitsGiveTheSameReadingInEveryPart) {
    struct Case {
        const char* what;
        RowPlace place;
        std::string text;         // the rows after "[generale]" (a route's length row included)
        std::optional<int> line;  // where a row of the kind is read, if anywhere
        RowKind kind;
    };
    const std::string length = length_row;
    const Case cases[] = {
        {"two comments, then a keyword", RowPlace::train, "- uno\r\n- due\r\n[segnale], x\r\n", 4,
         RowKind::signal},
        {"a third comment field is a keyword", RowPlace::train, "- uno, - due, - [segnale], x\r\n",
         2, RowKind::signal},
        {"a comment as the general block's last but one field", RowPlace::route_general,
         "- c\r\n[lunghezza percorso]", 3, RowKind::route_length},
        {"a \"-\" in the closing header", RowPlace::route_general,
         length + "[cur-ve]\r\n[pendenza], x\r\n", std::nullopt, RowKind::gradient},
        {"the same header without it", RowPlace::route_general,
         length + "[curve]\r\n[pendenza], x\r\n", 4, RowKind::gradient},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Texts texts;
        if (c.place == RowPlace::train) {
            texts.train = "[generale]\r\n" + c.text + "[fine]\r\n";
        } else {
            texts.route = "[generale]\r\n" + c.text + (c.text.ends_with("\n") ? "[fine]\r\n" : "");
            texts.in_route = true;
        }
        EXPECT_EQ(compile_fault_line(texts), c.line);
        EXPECT_EQ(warned_read_as(texts, row_grammar_of(c.kind).keyword), c.line);
        EXPECT_EQ(language_server_line(texts, c.kind), c.line);
        EXPECT_EQ(view_line(texts, c.kind), c.line);
    }
}

// A row cut short by the next line's row is read again from that line, as the check reads it;
// a field that faults where a keyword is due is passed over.
TEST(RowReaders, LanguageServerGoesOnAfterARowThatDoesNotRead) {
    const std::string text =
        "[generale]\r\nsegnale, 8650, 2\r\nsegnale, 8660, 2\r\n\"segnale\r\nsabbia, "
        "5\r\n[fine]\r\n";
    std::vector<int> lines;
    for (const lsp::TextRow& row : lsp::text_rows(text, lsp::TextRole::train)) {
        if (row.kind != nullptr) lines.push_back(row.line);
    }
    EXPECT_EQ(lines, (std::vector<int>{2, 3, 5}));
    // A quote never closed before the general block leaves no row to find, and throws nothing.
    EXPECT_TRUE(
        lsp::text_rows("prima\r\n\"[generale]\r\nsabbia, 5\r\n", lsp::TextRole::train).empty());
}

// The hover on each value of a row names its field, its meaning, unit and range, and the value
// as the simulator keeps it.
TEST(RowReaders, HoverOnEachFieldTellsItsMeaningUnitRangeAndStoredValue) {
    struct Row {
        RowKind kind;
        std::string text;
        lsp::TextRole role;
    };
    const Row rows[] = {
        {RowKind::signal, "segnale,    8650,   2, 4, 0,  0, 0,    2,  1,0,0, 0",
         lsp::TextRole::train},
        {RowKind::station,
         "stazione,   61500,  2,  600,  0, 0, 1,  1,1,0,  4,1,1,   60,  11, 6, 0, SAN BENEDETTO",
         lsp::TextRole::train},
        {RowKind::speed_board, "indicatori_vmax,  1950,  140,  150,  160,  0,  140,  150,  160,  0",
         lsp::TextRole::route},
        {RowKind::speed_limit, "velocita, 1000, 110", lsp::TextRole::train},
    };
    for (const Row& row : rows) {
        const std::string prefix = row.role == lsp::TextRole::route
                                       ? "[generale]\r\n" + length_row + "[curve]\r\n"
                                       : "[generale]\r\n";
        const int line = row.role == lsp::TextRole::route ? 4 : 2;
        const auto text = lsp::EditorText::from_disk(prefix + row.text + "\r\n[fine]\r\n");
        const auto fields = row_grammar_of(row.kind).fields;
        std::size_t column = row.text.find(',');
        for (const FieldGrammar& field : fields) {
            SCOPED_TRACE(std::string(row_grammar_of(row.kind).keyword) + " " +
                         std::string(field.name));
            column = row.text.find_first_not_of(" ,", column);
            const nlohmann::json hover =
                lsp::row_hover(text, row.role, line, static_cast<int>(column), nullptr);
            ASSERT_FALSE(hover.is_null());
            const std::string value = hover["contents"]["value"];
            for (std::string_view part : {field.name, field.meaning, field.unit, field.range}) {
                EXPECT_NE(value.find(std::string(part)), std::string::npos)
                    << part << " in " << value;
            }
            column = row.text.find(',', column);
        }
    }
    const auto speed =
        lsp::EditorText::from_disk("[generale]\r\nvelocita, 1000, 110\r\n[fine]\r\n");
    const std::string value =
        lsp::row_hover(speed, lsp::TextRole::train, 2, 17, nullptr)["contents"]["value"];
    EXPECT_NE(value.find("speed 110 km/h, stored 22"), std::string::npos) << value;
}

}  // namespace
}  // namespace scenario::scenc
