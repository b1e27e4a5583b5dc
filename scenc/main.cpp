// scenc, the scenario authors' tool: builds the command line from the table of subcommands
// and runs the one chosen.
#include <CLI/CLI.hpp>
#include <iostream>
#include <optional>
#include <vector>

#include "scenc/commands/cli_documents.h"
#include "scenc/subcommands.h"

using namespace scenario::scenc;

int main(int argc, char** argv) {
    CLI::App app{"Checks, compiles, shows and draws train-driving scenarios.", "scenc"};
    app.set_version_flag("--version", "scenc " SCENC_VERSION);
    app.require_subcommand(1);
    std::vector<DefinedSubcommand> subcommands = define_subcommands(app);
    // The build writes the manual pages and the completion from this definition.
    if (std::optional<int> status = write_cli_documents_if_asked(app, argc, argv)) return *status;
    if (std::optional<int> status = parse_command_line(app, argc, argv, std::cerr)) {
        return *status;
    }
    return run_chosen_subcommand(subcommands, std::cout, std::cerr);
}
