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

// Each folder with the folders its files may include (their own always included). scenc's
// parts are folders of their own: common/ serves the others, reports/, review/ and lsp/ know
// only common/ of scenc (and the carried texts of sources/, which their tests use), serve/
// (the live view) also reports/ and review/, commands/ (one file per subcommand) uses them all, and the top of scenc/ holds only the
// subcommand table and the main.
const std::map<std::string, std::set<std::string>> allowed_edges = {
    {"compiler", {"compiler"}},
    {"io", {"io"}},
    {"sources", {"sources", "compiler"}},
    {"run", {"run", "io", "sources", "compiler"}},
    {"scenc/common", {"scenc/common", "io", "sources", "compiler"}},
    {"scenc/reports", {"scenc/reports", "scenc/common", "io", "sources", "compiler"}},
    {"scenc/review", {"scenc/review", "scenc/common", "io", "sources", "compiler"}},
    {"scenc/lsp", {"scenc/lsp", "scenc/common", "io", "sources", "compiler"}},
    {"scenc/serve",
     {"scenc/serve", "scenc/common", "scenc/reports", "scenc/review", "io", "sources", "compiler"}},
    {"scenc/commands",
     {"scenc/commands", "scenc/common", "scenc/reports", "scenc/review", "scenc/lsp",
      "scenc/serve", "io", "sources", "compiler"}},
    {"scenc", {"scenc", "scenc/commands", "scenc/common", "io", "compiler"}},
    // The fuzz targets cover scenc's reports and language server too; nothing includes fuzz/.
    {"fuzz",
     {"fuzz", "io", "sources", "compiler", "scenc/common", "scenc/reports", "scenc/review",
      "scenc/lsp"}},
    {"bench", {"bench", "io", "sources", "compiler"}},
    // The writer of the author's reference reads the grammar and the carried texts.
    {"docs", {"docs", "sources", "compiler"}},
};

bool is_source(const fs::path& path) {
    return path.extension() == ".cpp" || path.extension() == ".h";
}

// The folder of ours that a path names ("scenc/lsp" for scenc/lsp/lsp.h), or "" for a path
// outside them.
std::string folder_of(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    if (slash == std::string::npos) return "";
    const std::string folder = path.substr(0, slash);
    return allowed_edges.count(folder) ? folder : "";
}

// "folder/file.h: line N includes target" for every include that leaves the allowed edges,
// and "folder/file.h: not in a known folder" for a source in a folder the table does not
// list (a new part must say what it may use). A quoted include names its folder; one that
// does not is refused as well, since it could reach anywhere through the include path.
std::vector<std::string> forbidden_includes(const fs::path& root) {
    static const std::regex include_line(R"(^\s*#\s*include\s*([<"])([^">]+)[">])");
    std::vector<std::string> found;
    for (const std::string top :
         {"compiler", "io", "sources", "run", "scenc", "fuzz", "bench", "docs"}) {
        if (!fs::is_directory(root / top)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(root / top)) {
            if (!entry.is_regular_file() || !is_source(entry.path())) continue;
            const std::string file = fs::relative(entry.path(), root).generic_string();
            const std::string folder = folder_of(file);
            if (folder.empty()) {
                found.push_back(file + ": not in a folder the layering table knows");
                continue;
            }
            const std::set<std::string>& allowed = allowed_edges.at(folder);
            std::ifstream in(entry.path());
            std::string line;
            for (int number = 1; std::getline(in, line); ++number) {
                std::smatch match;
                if (!std::regex_search(line, match, include_line)) continue;
                const std::string target = match[2];
                const std::string target_folder = folder_of(target);
                const bool ours = !target_folder.empty() ||
                                  allowed_edges.count(target.substr(0, target.find('/'))) > 0;
                const bool quoted = match[1] == "\"";
                if ((ours && !allowed.count(target_folder)) ||
                    (quoted && !ours && target.find('/') == std::string::npos)) {
                    found.push_back(file + ":" + std::to_string(number) + " includes " + target);
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
