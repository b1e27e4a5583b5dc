// Longer explanations of error numbers, warning names and row keywords, for `scenc explain`
// and the language server's hover: what a diagnostic means, why the simulator needs the rule,
// and a wrong and a right row.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostic.h"

namespace scenario {

// Why the simulator needs the rule behind an error number or warning, with a row that breaks
// it and the same row put right; an empty row where no single row shows it.
struct Explanation {
    std::string_view why;
    std::string_view wrong_row;
    std::string_view right_row;
};

// The explanation of an error number ("16") or a warning name ("out-of-order"), if one exists.
std::optional<Explanation> explanation_of(std::string_view name);

// The whole text `scenc explain NAME` prints for an error number, a warning name or a row
// keyword ("segnale"); nothing when NAME is none of them.
std::optional<std::string> explanation_text(std::string_view name);

// The name a diagnostic is explained by: its warning name, or its error number.
std::string explanation_name(const Diagnostic& diagnostic);

// The command that explains a diagnostic: "scenc explain 16".
std::string explain_command(const Diagnostic& diagnostic);

}  // namespace scenario
