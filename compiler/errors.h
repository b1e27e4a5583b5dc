// Scenario error numbers: raising them, and what they mean to the author.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "compiler/model.h"

namespace scenario {

// Error numbers that this system adds to the table of the simulator's scenario errors.
namespace error_number {
constexpr std::int32_t read_fault = 25;
constexpr std::int32_t route_file_missing = 101;
constexpr std::int32_t no_general_block = 102;
constexpr std::int32_t bad_curve_or_plan = 103;
constexpr std::int32_t no_route_length = 104;
constexpr std::int32_t too_many_sign_boards = 106;
constexpr std::int32_t markers_in_use = 1250;
constexpr std::int32_t contest_codes_in_use = 1251;
}  // namespace error_number

// A fault while reading a scenario text (bad number, text cut short, unreadable file).
// It never escapes the compile: the parsers' fault handler turns it into error 25.
class RunTimeFault : public std::runtime_error {
  public:
    RunTimeFault(const std::string& what, ErrorSite where = {})
        : std::runtime_error(what), site(std::move(where)) {}
    ErrorSite site;
};

// Records a scenario error. The site is cleared: a parser that knows the row sets it after.
void raise_error(Model& model, std::int32_t code);
void raise_error(Model& model, std::int32_t code, std::int32_t position);

// A short Italian description of an error number, for the author.
std::string error_meaning(std::int32_t code);
// Whether the raiser of this error number stores a position in metres with it.
bool error_has_position(std::int32_t code);

}  // namespace scenario
