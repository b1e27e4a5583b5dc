// Slips a new author types into a copy of `scenc example`, and what check says about each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/identity.h"
#include "io/test_support.h"
#include "scenc/commands/program_test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc {
namespace {

using scenario::testing::quoted;
using scenario::testing::read_bytes;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;
using testing::scenc;

// One line of a text changed: the first `from` on that line becomes `to`.
struct LineEdit {
    bool in_route;
    int line;
    std::string from;
    std::string to;
};

void apply(const std::filesystem::path& path, const LineEdit& edit) {
    std::string text = read_bytes(path);
    std::size_t start = 0;
    for (int line = 1; line < edit.line; ++line) start = text.find('\n', start) + 1;
    const std::size_t end = text.find('\n', start);
    const std::size_t at = text.find(edit.from, start);
    ASSERT_TRUE(at != std::string::npos && at < end) << "line " << edit.line << ": " << edit.from;
    text.replace(at, edit.from.size(), edit.to);
    write_bytes(path, text);
}

struct ExampleTexts {
    std::filesystem::path route;
    std::filesystem::path train;
};

// The texts of `scenc example`, written into the folder, with the edits made.
ExampleTexts edited_example(const TemporaryFolder& folder, const std::vector<LineEdit>& edits) {
    const Identity id = carried_identity();
    EXPECT_EQ(scenc("example " + quoted(folder.path())).exit_status, 0);
    ExampleTexts texts{folder / file_name::route_text(id), folder / file_name::train_text(id)};
    for (const LineEdit& edit : edits) apply(edit.in_route ? texts.route : texts.train, edit);
    return texts;
}

struct Slip {
    std::string name;
    std::vector<LineEdit> edits;
    std::vector<std::string> said;  // pieces of check's output, each found in it
    std::string options = {};       // given to check before the texts
    bool swap_texts = false;        // each text's content under the other's name
};

TEST(NewAuthorSlips, CheckReportsEachAsWritten) {
    const std::vector<Slip> slips = {
        {"warnings after a route read fault",
         {{true, 80, "5", "5x"}, {true, 100, "pendenza", "pendneza"}},
         {":80:20: error 25: ", "a whole number was expected, found '5x'",
          ":100:1: warning: \"pendneza\" is no keyword here, so the row is ignored; did you "
          "mean \"pendenza\"?",
          "1 error, 1 warning"}},
        {"warnings after a train read fault",
         {{false, 5, "10", "4O"}, {false, 38, "stazione", "stazone"}},
         {":5:14: error 25: ", "found '4O'",
          ":38:1: warning: \"stazone\" is no keyword here, so the row is ignored; did you mean "
          "\"stazione\"?",
          "1 error, 1 warning"}},
        {"times out of range and out of order",
         {{false, 5, "10", "25"}},
         {":5:14: warning: hours 25", "[-Wclock-range]", "no errors, 1 warning"}},
        {"a maximum-speed board of 2000 km/h",
         {{true, 121, "1950,  140,", "1950,  2000,"}},
         {":121:26: error 25: read fault in a scenario text: vas 2000 km/h (field 2 of the row "
          "'indicatori_vmax', maximum speed for rank A, left track) is too high for the board: "
          "stored as val1 = vad / 5 + vas x 20 = 40028, it does not fit 16 bits\n",
          "\n     |                          ^~~~\n  suggestion: write 1636\n", "1 error\n"}},
        {"a kilometric value off the grid",
         {{true, 3, "350000", "350020"}},
         {":3:40: error 2: kilometric reference whose start or value is not a multiple of 50: "
          "start 0 m, value 350020 m (stored as 350120 m, 100 m more for direction 1)\n",
          "\n   |                                        ^~~~~~\n", "1 error\n"}},
        {"a station row with a field missing in the middle",
         {{false, 37, "  0, 0, 0, MONT", " 0, 0, MONT"}},
         {":37:69: error 25: read fault in a scenario text: a whole number was expected, found "
          "'MONTESILVANO': the row 'stazione' has 16 of its 17 fields, so its name "
          "'MONTESILVANO' stands where field 16, seconds, is due\n",
          "1 error\n"}},
        {"a route without a length row still has its train text checked",
         {{true, 2, "lunghezza percorso,    243000", ""}, {false, 38, "12850", "12875"}},
         {"error 104: no route length row",
          "note: the route text gives no track, so the rest of both texts was checked without "
          "one: positions against the track's end (error 15), cells already taken",
          ":38:13: error 8: station position not a multiple of 50: 12875 m",
          "suggestion: write 12850", "\n2 errors\n"}},
        {"swapped texts: one error for the cause, the rest counted",
         {},
         {"error 104: no route length row; the route text and the train text look swapped: ",
          "-.txt holds the route length, and ",
          "note: 352 warnings follow from this and are not shown", "\n1 error\n"},
         "",
         true},
        {"swapped texts with the identity given",
         {},
         {"the route text and the train text look swapped",
          "note: 352 warnings follow from this and are not shown", "\n1 error\n"},
         "--stem X --train-number 1",
         true},
        {"an empty route length: one error at its row, the rest counted",
         {{true, 2, "    243000", ""}},
         {":2:20: error 15: the route length is empty, read as 0 m, so the track ends at 7000 m",
          "suggestion: write 239000",
          "note: 322 errors and 13 warnings follow from this and are not shown",
          "note: the package program reports this error", "\n2 errors\n"}},
        {"a route length of 0: the same",
         {{true, 2, "243000", "0"}},
         {":2:24: error 15: the route length is 0 m",
          "note: 322 errors and 13 warnings follow from this and are not shown",
          "\n2 errors\n"}},
        {"a station onto the previous one's stretch: the note points at the position",
         {{false, 38, "12850", "7000"}},
         {":38:13: error 22: ", ":37:14: note: the previous station\n"}},
        {"a signal on the next one's cell: the nearest free cells both ways, the note at the "
         "position that collides",
         {{false, 80, "5500", "8650"}},
         {":81:13: error 16: signal on a cell already taken",
          "suggestion: write 8600, free cell 173\n", "suggestion: write 8700, free cell 175\n",
          ":80:13: note: the row that took the cell\n"}},
        {"a curve of class 7: the classes there are",
         {{true, 11, "curvas3", "curvas7"}},
         {":11:1: error 103: ", "suggestion: write \"curvas1\" for class 1 (1 to 6)\n"}},
        {"no route length row: the row to add",
         {{true, 2, "lunghezza percorso,    243000", ""}},
         {"error 104: no route length row",
          "suggestion: add the row \"lunghezza percorso, 239000\" after line 1"}},
        {"a name written in UTF-8: how to convert",
         {{false, 38, "SILVI", "SILV\xC3\x88"}},
         {":38:73: warning: text written in UTF-8, but the simulator reads Windows-1252",
          "a whole text converts with iconv -f UTF-8 -t WINDOWS-1252", "no errors, 1 warning"}},
        {"a station timed before the one behind it",
         {{false, 45, "  11, 6, 0, SAN", "   9, 6, 0, SAN"}},
         {":45:64: warning: station \"SAN BENEDETTO\" at 09:06:00 is timed no later than "
          "\"BRENZOLA CENTRALE\" before it at 10:50:00",
          "[-Wtimetable-order]", "no errors, 1 warning"}},
    };
    for (const Slip& slip : slips) {
        SCOPED_TRACE(slip.name);
        TemporaryFolder folder("scenc-slips");
        const auto [route, train] = edited_example(folder, slip.edits);
        if (slip.swap_texts) {
            const std::string route_text = read_bytes(route);
            write_bytes(route, read_bytes(train));
            write_bytes(train, route_text);
        }
        const auto result =
            scenc("check " + slip.options + " " + quoted(route) + " " + quoted(train));
        for (const std::string& piece : slip.said) {
            EXPECT_NE(result.output.find(piece), std::string::npos) << piece << "\n"
                                                                     << result.output;
        }
    }
}

// A compile that stops or ends with an error shows check's report of the same texts, in the
// format asked for, then its own last word: "nothing written" or the files it wrote.
TEST(NewAuthorSlips, CompileReportsAsCheck) {
    struct Case {
        std::string name;
        std::vector<LineEdit> edits;
        std::string format;  // options given to both commands
        int compile_status;
        bool written;
    };
    const std::vector<Case> cases = {
        {"route length row gone", {{true, 2, "lunghezza percorso", "lunghezza"}}, "", 2, false},
        {"a read fault and a misspelt keyword",
         {{true, 80, "5", "5x"}, {true, 100, "pendenza", "pendneza"}},
         "--format=gcc",
         1,
         true},
        {"signal moved onto the next one's cell",
         {{false, 80, "5500", "8650"}},
         "--max-errors 0",
         1,
         true},
    };
    const Identity id = carried_identity();
    for (const Case& slip : cases) {
        SCOPED_TRACE(slip.name);
        TemporaryFolder folder("scenc-slips");
        const auto [route, train] = edited_example(folder, slip.edits);
        const std::string texts = slip.format + " " + quoted(route) + " " + quoted(train);
        const auto checked = scenc("check " + texts);
        ASSERT_EQ(checked.exit_status, 1) << checked.output;
        const auto out = folder / "out";
        const auto compiled = scenc("compile " + texts + " -o " + quoted(out));
        EXPECT_EQ(compiled.exit_status, slip.compile_status) << compiled.output;
        std::string last = "nothing written\n";
        if (slip.written) {
            last.clear();
            for (const std::string& name :
                 {file_name::plan(id), file_name::records(id), file_name::cells(id)}) {
                last += "wrote " + (out / name).string() + "\n";
            }
        }
        EXPECT_EQ(compiled.output, checked.output + last);
        EXPECT_NE(compiled.output.find("the package program reports this error"),
                  std::string::npos);
        EXPECT_EQ(compiled.output.find("errore"), std::string::npos);
    }
}

// Names compile cannot use are each an error of the check, all of them at once.
TEST(NewAuthorSlips, EveryFileNameProblemIsAnError) {
    const Identity id = carried_identity();
    TemporaryFolder folder("scenc-slips");
    ASSERT_EQ(scenc("example " + quoted(folder.path())).exit_status, 0);
    const auto route = folder / "route.txt";
    const auto train = folder / "train.txt";
    std::filesystem::rename(folder / file_name::route_text(id), route);
    std::filesystem::rename(folder / file_name::train_text(id), train);
    const std::string texts = quoted(route) + " " + quoted(train);
    const auto both = scenc("check " + texts);
    EXPECT_EQ(both.exit_status, 1) << both.output;
    for (const std::string& piece :
         {route.string() + ": error: compile will stop here: cannot tell the route stem",
          train.string() + ": error: compile will stop here: cannot tell the train number",
          std::string("\n2 errors\n")}) {
        EXPECT_NE(both.output.find(piece), std::string::npos) << piece << "\n" << both.output;
    }
    const auto one = scenc("check --stem " + id.route_stem + " " + texts);
    EXPECT_EQ(one.exit_status, 1);
    EXPECT_EQ(one.output.find("route stem"), std::string::npos) << one.output;
    EXPECT_NE(one.output.find("cannot tell the train number"), std::string::npos);
    EXPECT_EQ(scenc("check --stem " + id.route_stem + " --train-number " + id.train_number + " " +
                    texts)
                  .exit_status,
              0);
}

// Texts given the wrong way round: compile, stopped by names that tell no route stem, says
// that the contents look swapped as well as which option would name the stem.
TEST(NewAuthorSlips, CompileAdvisesSwappingSwappedTexts) {
    TemporaryFolder folder("scenc-slips");
    const auto [route, train] = edited_example(folder, {});
    const auto compiled =
        scenc("compile " + quoted(train) + " " + quoted(route) + " -o " + quoted(folder / "out"));
    EXPECT_EQ(compiled.exit_status, 2);
    for (const std::string& piece :
         {std::string("give --stem"), "the texts look swapped: " + route.string() +
                                          " holds the route length, so give it first"}) {
        EXPECT_NE(compiled.output.find(piece), std::string::npos) << piece << "\n"
                                                                   << compiled.output;
    }
    const auto checked = scenc("check " + quoted(train) + " " + quoted(route));
    EXPECT_NE(checked.output.find("note: 2 errors and 352 warnings follow from this"),
              std::string::npos)
        << checked.output;
}

}  // namespace
}  // namespace scenario::scenc

#endif  // SCENC_PROGRAM
