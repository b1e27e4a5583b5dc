// End-to-end runs of scenc fmt: rewriting in place, --check and --diff.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "io/test_support.h"
#include "scenc/commands/program_test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc {
namespace {

using scenario::testing::CommandResult;
using scenario::testing::quoted;
using scenario::testing::read_bytes;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;
using testing::scenc;

const std::string loose_train = "[generale]\r\nSABBIA,200\r\nnumero vetture,    14\r\n[fine]";
const std::string laid_out_train =
    "[generale]\r\nsabbia,    200\r\nnumero vetture,    14\r\n[fine]";

struct Texts {
    TemporaryFolder folder{"scenc-fmt"};
    std::filesystem::path loose = folder / "a-.txt";
    std::filesystem::path neat = folder / "b-.txt";
    Texts() {
        write_bytes(loose, loose_train);
        write_bytes(neat, laid_out_train);
    }
};

TEST(ScencFmt, CheckListsTheFilesToLayOutAndDiffShowsWhyWithoutWriting) {
    Texts texts;
    const CommandResult check =
        scenc("fmt --check " + quoted(texts.loose) + " " + quoted(texts.neat));
    EXPECT_EQ(check.exit_status, 1) << check.output;
    EXPECT_EQ(check.output, texts.loose.string() + "\n");

    const CommandResult diff =
        scenc("fmt --diff " + quoted(texts.loose) + " " + quoted(texts.neat));
    EXPECT_EQ(diff.exit_status, 0) << diff.output;
    const std::string name = texts.loose.string();
    EXPECT_EQ(diff.output,
              "--- " + name + "\n+++ " + name +
                  "\n@@ -1,4 +1,4 @@\n [generale]\r\n-SABBIA,200\r\n+sabbia,    200\r\n"
                  " numero vetture,    14\r\n [fine]\n\\ No newline at end of file\n");
    EXPECT_EQ(read_bytes(texts.loose), loose_train);
}

TEST(ScencFmt, RewritesInPlaceKeepingPermissionsAndThenHasNothingToDo) {
    Texts texts;
    namespace fs = std::filesystem;
    fs::permissions(texts.loose, fs::perms::owner_read | fs::perms::owner_write);
    const CommandResult run = scenc("fmt " + quoted(texts.loose) + " " + quoted(texts.neat));
    EXPECT_EQ(run.exit_status, 0) << run.output;
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(read_bytes(texts.loose), laid_out_train);
    EXPECT_EQ(fs::status(texts.loose).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(scenc("fmt --check " + quoted(texts.loose)).exit_status, 0);
}

TEST(ScencFmt, ANameTellsARouteTextEvenWithoutItsLengthRow) {
    TemporaryFolder folder{"scenc-fmt"};
    const std::string text = "[generale]\r\n[pendenze]\r\npendenza,1,2\r\n[fine]\r\n";
    write_bytes(folder / "S_linea.txt", text);
    write_bytes(folder / "other.txt", text);
    EXPECT_EQ(scenc("fmt " + quoted(folder / "S_linea.txt") + " " + quoted(folder / "other.txt"))
                  .exit_status,
              0);
    EXPECT_EQ(read_bytes(folder / "S_linea.txt"),
              "[generale]\r\n[pendenze]\r\npendenza,  1,  2\r\n[fine]\r\n");
    // Without the name, and without the length row's words, it is a train text.
    EXPECT_EQ(read_bytes(folder / "other.txt"), text);
}

TEST(ScencFmt, AFileThatCannotBeReadIsOneLineAndTheOthersAreStillDone) {
    Texts texts;
    const CommandResult run =
        scenc("fmt " + quoted(texts.folder / "missing.txt") + " " + quoted(texts.loose));
    EXPECT_EQ(run.exit_status, 2) << run.output;
    EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << run.output;
    EXPECT_NE(run.output.find("missing.txt"), std::string::npos) << run.output;
    EXPECT_EQ(read_bytes(texts.loose), laid_out_train);
}

}  // namespace
}  // namespace scenario::scenc

#endif  // SCENC_PROGRAM
