// The folders depend on each other one way only: compiler/ and io/ on nothing of ours,
// sources/ on compiler/, and the programs' folders on those three. The libraries are linked
// that way, but a header-only include would slip past the linker, so every #include line of
// every source and header is checked here.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace scenario {
namespace {

namespace fs = std::filesystem;

// Each folder with the folders its files may include (their own always included).
const std::map<std::string, std::set<std::string>> allowed_edges = {
    {"compiler", {"compiler"}},
    {"io", {"io"}},
    {"sources", {"sources", "compiler"}},
    {"run", {"run", "io", "sources", "compiler"}},
    {"scenc", {"scenc", "io", "sources", "compiler"}},
    // The fuzz targets cover scenc's reader of compiled files too; nothing includes fuzz/.
    {"fuzz", {"fuzz", "io", "sources", "compiler", "scenc"}},
    {"bench", {"bench", "io", "sources", "compiler"}},
};

bool is_source(const fs::path& path) {
    return path.extension() == ".cpp" || path.extension() == ".h";
}

// "folder/file.h: line N includes target" for every include that leaves the allowed edges.
// A quoted include names its folder; one that does not is refused as well, since it could
// reach anywhere through the include path.
std::vector<std::string> forbidden_includes(const fs::path& root) {
    static const std::regex include_line(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<std::string> found;
    for (const auto& [folder, allowed] : allowed_edges) {
        if (!fs::is_directory(root / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            if (!entry.is_regular_file() || !is_source(entry.path())) continue;
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch match;
                if (!std::regex_search(line, match, include_line)) continue;
                const std::string target = match[2];
                const std::string target_folder = target.substr(0, target.find('/'));
                const bool ours = allowed_edges.count(target_folder) > 0;
                const bool quoted = match[1] == "\"";
                if ((ours && !allowed.count(target_folder)) ||
                    (quoted && !ours && target.find('/') == std::string::npos)) {
                    found.push_back(fs::relative(entry.path(), root).string() + ":" +
                                    std::to_string(number) + " includes " + target);
                }
            }
        }
    }
    return found;
}

TEST(IncludeEdges, EveryIncludeFollowsTheFolderLayering) {
    const std::vector<std::string> found = forbidden_includes(SOURCE_FOLDER);
    for (const std::string& include : found) ADD_FAILURE() << include;
    EXPECT_TRUE(found.empty());
}

}  // namespace
}  // namespace scenario
