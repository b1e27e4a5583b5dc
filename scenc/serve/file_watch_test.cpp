#include "scenc/serve/file_watch.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <filesystem>

#include "io/test_support.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {
namespace {

using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;

// Whether the watch reports a change of a watched file within a second.
bool hears_change(FileWatch& watch) {
    pollfd waiting{watch.descriptor(), POLLIN, 0};
    while (::poll(&waiting, 1, 1000) > 0) {
        if (watch.read_changes()) return true;
    }
    return false;
}

TEST(FileWatch, SavesInPlaceByRenameAndRemovalsAreHeard) {
    TemporaryFolder folder("file-watch");
    std::filesystem::create_directories(folder / "trains");
    const auto route = folder / "route.txt";
    const auto train = folder / "trains/train.txt";
    write_bytes(route, "a");
    write_bytes(train, "b");
    FileWatch watch({route, train});

    write_bytes(route, "written in place");
    EXPECT_TRUE(hears_change(watch));
    // An editor that writes a new file and renames it over the old one.
    write_bytes(folder / "trains/.train.txt.swp", "saved by rename");
    std::filesystem::rename(folder / "trains/.train.txt.swp", train);
    EXPECT_TRUE(hears_change(watch));
    std::filesystem::remove(train);
    EXPECT_TRUE(hears_change(watch));
    write_bytes(train, "back again");
    EXPECT_TRUE(hears_change(watch));
    // Other files of the same folders are no change.
    pollfd settling{watch.descriptor(), POLLIN, 0};
    while (::poll(&settling, 1, 100) > 0) watch.read_changes();
    write_bytes(folder / "notes.txt", "x");
    write_bytes(folder / "trains/train.txt~", "x");
    EXPECT_FALSE(hears_change(watch));
}

TEST(FileWatch, AFolderThatCannotBeWatchedIsOneLine) {
    TemporaryFolder folder("file-watch");
    try {
        FileWatch watch({folder / "missing/route.txt"});
        FAIL() << "watched a missing folder";
    } catch (const UsageProblem& problem) {
        EXPECT_NE(std::string(problem.what()).find("missing: cannot be watched"), std::string::npos)
            << problem.what();
    }
}

}  // namespace
}  // namespace scenario::scenc
