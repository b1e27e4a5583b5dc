// scenc lsp: the language server on standard input and output.
#include "scenc/commands/subcommand.h"
#include "scenc/lsp/lsp.h"

namespace scenario::scenc {
namespace {

class LspCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command.footer(
            "Speaks the Language Server Protocol: diagnostics of the texts of a scenario as "
            "they\n"
            "are typed, hover on a row, the outline and the row keywords. Writes no file.\n"
            "Texts over 16 MiB are not checked; messages nested deeper than 256 levels are "
            "refused.\n"
            "Exit status: 0 after the editor's shutdown and exit; 1 when it ends otherwise (the\n"
            "reason on standard error).");
    }

    int run(std::ostream& out, std::ostream& err) override {
        return lsp::run_language_server(0, out, err, SCENC_VERSION);
    }
};

}  // namespace

std::unique_ptr<Subcommand> make_lsp_command() {
    return std::make_unique<LspCommand>();
}

}  // namespace scenario::scenc
