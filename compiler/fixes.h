// The obvious fixes of a check's diagnostics, found apart from the diagnostics themselves: from
// the place a diagnostic points at, the text there, the row grammar and the compiled cells.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "compiler/check.h"
#include "compiler/diagnostic.h"
#include "compiler/model.h"

namespace scenario {

// Gives each diagnostic of the two texts the fixes its cause makes obvious: the nearest keyword
// for an unknown one; the nearest multiple of 50 (or 100) for a position or length off its
// grid, both neighbours when they are as near; the nearest free cell for a feature whose cell
// is taken, searched both ways; the route length row where it is missing; a UTF-8 text in its
// Windows-1252 spelling; the value nearest to the written one that the field keeps. Only a
// single choice is safe, and no two safe fixes move features into the same cell. `model` is
// the model the check compiled, whose cells tell which are free.
void attach_fixes(Diagnostics& diagnostics, const SourceText& route, const SourceText& train,
                  const Model& model);

// A text with edits applied. Edits that overlap one applied before them, or that point past
// the text, are left out; every byte outside the edited ranges stays as it was.
struct EditedText {
    std::string text;
    std::vector<TextEdit> applied;
};
EditedText apply_edits(std::string_view text, std::vector<TextEdit> edits);

// The edits of every safe fix that fall in the file so named.
std::vector<TextEdit> safe_edits_for(const Diagnostics& diagnostics, std::string_view file);

}  // namespace scenario
