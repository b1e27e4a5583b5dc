// Rewrites a route or train text in one layout: every row that stands alone on its line gets
// the carried texts' spacing and its keyword in lower case; nothing the compile reads changes.
#pragma once

#include <string>
#include <string_view>

#include "compiler/row_grammar.h"

namespace scenario {

// The text with each row laid out as the carried texts lay out their rows of that kind. A row
// is rewritten only when it stands alone on one line, its keyword first, and names one kind
// of row: the blanks between its fields change, a blank-separated number stays
// blank-separated, and the keyword is lowered where that names the same kinds. Everything
// else stays byte for byte: the fields before "[generale]", comments, section headers,
// unknown rows, rows over several lines or sharing one, blank lines, line ends, and every
// line after a field that does not read. `first_place` tells a route text
// (RowPlace::route_general) from a train text (RowPlace::train). The display name names the
// text in nothing but the reader's bookkeeping.
std::string formatted_scenario_text(std::string_view text, const std::string& display_name,
                                    RowPlace first_place);

// The same, the text's role told as the language server tells it: a route text holds the route
// length row's words.
std::string formatted_scenario_text(std::string_view text, const std::string& display_name);

}  // namespace scenario
