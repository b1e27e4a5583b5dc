#include "scenc/lsp/lsp_formatting.h"

#include <gtest/gtest.h>

namespace scenario::scenc::lsp {
namespace {

using nlohmann::json;

json line_range(int line, int end) {
    return {{"start", {{"line", line}, {"character", 0}}},
            {"end", {{"line", line}, {"character", end}}}};
}

TEST(FormattingEdits, ReplaceEachChangedLineAndSpareLinesTheCodePageCannotHold) {
    // Line 2 is laid out; line 3 is too but holds an arrow, which the compiler reads as '?';
    // line 4 keeps its layout and gets no edit.
    const EditorText text = EditorText::from_editor(
        "[generale]\r\nsabbia,1\r\nstazione,0,2,500,0,0,0,1,1,0,4,1,1,0,0,0,0,A \xE2\x86\x92 "
        "B\r\nsabbia,    2\r\n[fine]\r\n");
    const json edits = formatting_edits(text, TextRole::train);
    ASSERT_EQ(edits.size(), 1u) << edits.dump();
    EXPECT_EQ(edits[0]["range"], line_range(1, 8));
    EXPECT_EQ(edits[0]["newText"], "sabbia,    1");

    // A route text's rows get the route's layout; a station name in the code page keeps its
    // letters, in UTF-8.
    EXPECT_EQ(
        formatting_edits(EditorText::from_editor("[generale]\nlunghezza percorso,5\n[x]\n"),
                         TextRole::route),
        json::array({{{"range", line_range(1, 20)}, {"newText", "lunghezza percorso,    5"}}}));
    const json accented =
        formatting_edits(EditorText::from_editor(
                             "[generale]\nstazione,0,2,500,0,0,0,1,1,0,4,1,1,0,0,0,0,CITT\xC3\x80\n"
                             "[fine]\n"),
                         TextRole::train);
    ASSERT_EQ(accented.size(), 1u);
    EXPECT_EQ(
        accented[0]["newText"],
        "stazione,       0,  2,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, CITT\xC3\x80");
    EXPECT_EQ(accented[0]["range"]["end"]["character"], 48);
}

}  // namespace
}  // namespace scenario::scenc::lsp
