// Scenario error numbers: raising them, and what they mean to the author.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "compiler/diagnostic.h"
#include "compiler/model.h"

namespace scenario {

// Every scenario error number; 14 and 23 are not used.
namespace error_number {
constexpr std::int32_t route_length_out_of_range = 1;
constexpr std::int32_t progressive_off_grid = 2;
constexpr std::int32_t cab_start_off_grid = 3;
constexpr std::int32_t cab_end_off_grid = 4;
constexpr std::int32_t cab_codes_unknown = 5;
constexpr std::int32_t sign_board_taken = 6;
constexpr std::int32_t code_drop_taken = 7;
constexpr std::int32_t station_off_grid = 8;
constexpr std::int32_t station_length_off_grid = 9;
constexpr std::int32_t too_many_stations = 10;
constexpr std::int32_t signal_without_code_room = 11;
constexpr std::int32_t window_without_room = 12;
constexpr std::int32_t no_room_after_slowdown = 13;
constexpr std::int32_t beyond_track = 15;
constexpr std::int32_t signal_taken = 16;
constexpr std::int32_t advance_point_taken = 17;
constexpr std::int32_t slowdown_start_taken = 18;
constexpr std::int32_t slowdown_end_taken = 19;
constexpr std::int32_t warning_boards_taken = 20;
constexpr std::int32_t speed_boards_taken = 21;
constexpr std::int32_t stations_too_close = 22;
constexpr std::int32_t stop_cell_too_early = 24;
constexpr std::int32_t read_fault = 25;
constexpr std::int32_t route_file_missing = 101;
constexpr std::int32_t no_general_block = 102;
constexpr std::int32_t bad_curve_or_plan = 103;
constexpr std::int32_t no_route_length = 104;
constexpr std::int32_t too_many_sign_boards = 106;
constexpr std::int32_t markers_in_use = 1250;
constexpr std::int32_t contest_codes_in_use = 1251;
}  // namespace error_number

// What a read fault found in the field it points at, where the row's grammar can say more:
// text where a number was due, or a number outside its field's type.
enum class FaultCause { other, not_a_number, outside_type };

// A fault while reading a scenario text (bad number, text cut short, unreadable file).
// It never escapes the compile: the parsers' fault handler turns it into error 25.
class RunTimeFault : public std::runtime_error {
  public:
    RunTimeFault(const std::string& what, SourceLocation where = {},
                 FaultCause why = FaultCause::other)
        : std::runtime_error(what), site(std::move(where)), cause(why) {}
    SourceLocation site;
    FaultCause cause;
};

// An error with its author's message; the position where the error number has one.
Diagnostic error_diagnostic(std::int32_t number, SourceLocation location,
                            std::optional<std::int32_t> position = std::nullopt);

// The one place where the model's error state changes: the diagnostic joins the list, and an
// error becomes the last error raised, with its position where it has one.
void raise_diagnostic(Model& model, Diagnostic diagnostic);

// What a cell holds, by its kind ("a signal"), and a whole sentence about a taken cell: what
// holds it and the row it came from ("cell 171 already holds a signal, from treno.txt line 9").
std::string cell_kind_name(std::uint8_t kind);
std::string describe_cell(const Model& model, std::int64_t cell);
// "treno.txt line 9", or the file name alone when no line is known.
std::string describe_place(const SourceLocation& place);

// Every error number the compile can raise, in rising order.
std::vector<std::int32_t> all_error_numbers();

// A short English description of an error number, for the author.
std::string error_meaning(std::int32_t code);
// The same in Italian, for the package program's message box, which is Italian throughout.
std::string error_meaning_in_italian(std::int32_t code);
// Whether the raiser of this error number stores a position in metres with it.
bool error_has_position(std::int32_t code);

}  // namespace scenario
