#include "io/file_output.h"

#include <gtest/gtest.h>

#include "io/test_support.h"

namespace scenario {
namespace {

using testing::read_bytes;
using testing::TemporaryFolder;
using testing::write_bytes;

std::size_t count_entries(const std::filesystem::path& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST(FileOutput, ReplacesALongerEarlierFileWhole) {
    TemporaryFolder folder;
    write_bytes(folder / "a.dat", std::string(1000, 'x'));
    write_file_replacing(folder / "a.dat", "new");
    EXPECT_EQ(read_bytes(folder / "a.dat"), "new");
    EXPECT_EQ(count_entries(folder.path()), 1u);
}

TEST(FileOutput, AFailedSetLeavesEveryEarlierFileAndNoTemporary) {
    TemporaryFolder folder;
    write_bytes(folder / "a.dat", "old a");
    std::string big(1 << 20, 'b');
    try {
        write_files_together({{folder / "a.dat", "new a"}, {folder / "missing" / "b.dat", big}});
        FAIL() << "writing into a missing folder must fail";
    } catch (const SystemFailure& failure) {
        EXPECT_EQ(failure.error_number, ENOENT);
        EXPECT_EQ(failure.path, folder / "missing" / "b.dat");
    }
    EXPECT_EQ(read_bytes(folder / "a.dat"), "old a");
    EXPECT_EQ(count_entries(folder.path()), 1u);
}

TEST(FileOutput, RemoveIfPresentIgnoresAMissingFile) {
    TemporaryFolder folder;
    EXPECT_NO_THROW(remove_if_present(folder / "nothing"));
    write_bytes(folder / "x", "1");
    remove_if_present(folder / "x");
    EXPECT_FALSE(std::filesystem::exists(folder / "x"));
}

}  // namespace
}  // namespace scenario
