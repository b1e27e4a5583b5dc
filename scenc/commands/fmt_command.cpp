// scenc fmt: lays out route and train texts as the carried texts are laid out, in place, or
// tells which are not (--check) or shows what would change (--diff).
#include <algorithm>
#include <dtl/dtl.hpp>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/formatter.h"
#include "compiler/row_scanner.h"
#include "io/file_output.h"
#include "scenc/commands/subcommand.h"
#include "scenc/common/input_files.h"
#include "scenc/lsp/language_server.h"

namespace scenario::scenc {
namespace {

constexpr int unformatted_status = 1;

// The lines of a text as diff -u reads them: each up to and with its LF, which is left off; a
// CR before it stays part of the line. A last line without LF is marked as diff marks it.
std::vector<std::string> diff_lines(std::string_view text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            lines.emplace_back(std::string(text.substr(start)) + "\n\\ No newline at end of file");
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// The changes from `before` to `after` as a unified diff with three lines of context, which
// patch applies to the file named.
std::string unified_diff(const std::string& name, std::string_view before, std::string_view after) {
    dtl::Diff<std::string> diff(diff_lines(before), diff_lines(after));
    diff.compose();
    diff.composeUnifiedHunks();
    std::ostringstream out;
    out << "--- " << name << "\n+++ " << name << '\n';
    diff.printUnifiedFormat(out);
    return out.str();
}

// Whether a text is a route or a train text, told as the language server tells it: by its name
// (STEM_linea.txt, STEM_N-.txt), else by its content (a route text holds the route length
// row's words).
RowPlace first_place_of(const std::filesystem::path& file, const std::string& text) {
    const std::optional<lsp::TextRole> role = lsp::role_by_name(file.filename().string());
    const bool route = role ? *role == lsp::TextRole::route : holds_route_length_words(text);
    return route ? RowPlace::route_general : RowPlace::train;
}

struct FmtRequest {
    std::vector<std::filesystem::path> files;
    bool check = false;
    bool diff = false;
};

// One file: rewritten in place when its layout changes, unless only checked or shown.
int format_file(const FmtRequest& request, const std::filesystem::path& file, std::ostream& out) {
    const std::string text = read_scenario_text(file);
    const std::string formatted =
        formatted_scenario_text(text, file.string(), first_place_of(file, text));
    if (formatted == text) return 0;
    if (request.check) out << file.string() << '\n';
    if (request.diff) out << unified_diff(file.string(), text, formatted);
    if (request.check || request.diff) return request.check ? unformatted_status : 0;
    // A link stays a link: the file it names is replaced, and keeps its permissions.
    const std::filesystem::path target = std::filesystem::canonical(file);
    const std::filesystem::perms permissions = std::filesystem::status(target).permissions();
    write_file_replacing(target, formatted);
    std::filesystem::permissions(target, permissions);
    return 0;
}

class FmtCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command.add_option("FILE", request_.files, "route or train texts to lay out")
            ->required()
            ->type_name("FILE");
        command.add_flag("--check", request_.check,
                         "write nothing; list the files whose layout would change");
        command.add_flag("--diff", request_.diff,
                         "write nothing; show the changes as a unified diff");
        command.footer(
            "Exit status: 0 done; 1 with --check, a file is not laid out; 2 a file cannot be "
            "read; 3 cannot write.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        int status = 0;
        for (const std::filesystem::path& file : request_.files) {
            status = std::max(
                status, report_problems(err, [&] { return format_file(request_, file, out); }));
        }
        return status;
    }

  private:
    FmtRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_fmt_command() {
    return std::make_unique<FmtCommand>();
}

}  // namespace scenario::scenc
