#include "scenc/subcommands.h"

#include <array>
#include <string>
#include <string_view>

#include "scenc/common/input_files.h"

namespace scenario::scenc {

std::span<const SubcommandEntry> subcommand_table() {
    static constexpr std::array table{
        SubcommandEntry{"check",
                        "Check ROUTE and TRAIN in memory and report every error found; writes "
                        "nothing.",
                        make_check_command},
        SubcommandEntry{"compile", "Compile ROUTE and TRAIN into the plan, record and cell files.",
                        make_compile_command},
        SubcommandEntry{"dump", "Show compiled files as tables.", make_dump_command},
        SubcommandEntry{"diff",
                        "Show what differs between two compiled scenarios, in the author's units.",
                        make_diff_command},
        SubcommandEntry{"decompile",
                        "Write the route and train texts that compile to a compiled scenario's "
                        "files.",
                        make_decompile_command},
        SubcommandEntry{"plot", "Draw the ground plan and the line profile of a compiled scenario.",
                        make_plot_command},
        SubcommandEntry{"view",
                        "Write one HTML page to move along a compiled scenario in a browser.",
                        make_view_command},
        SubcommandEntry{"example",
                        "Write the carried scenario's texts and documents into DIR as a start.",
                        make_example_command},
        SubcommandEntry{"lsp", "Serve editors as a language server on standard input and output.",
                        make_lsp_command},
        SubcommandEntry{"serve",
                        "Show ROUTE and TRAIN in a browser page that follows every save of them.",
                        make_serve_command},
        SubcommandEntry{"fmt", "Lay out route and train texts as the carried texts are laid out.",
                        make_fmt_command},
        SubcommandEntry{"explain",
                        "Explain an error number, a warning name or a row keyword, with a wrong "
                        "and a right row.",
                        make_explain_command},
    };
    return table;
}

std::vector<DefinedSubcommand> define_subcommands(CLI::App& app) {
    std::vector<DefinedSubcommand> defined;
    for (const SubcommandEntry& entry : subcommand_table()) {
        DefinedSubcommand subcommand{
            entry.make(), app.add_subcommand(std::string(entry.name), std::string(entry.help))};
        subcommand.subcommand->add_options(*subcommand.command);
        defined.push_back(std::move(subcommand));
    }
    return defined;
}

namespace {

bool is_subcommand_name(const std::string& name) {
    for (const SubcommandEntry& entry : subcommand_table()) {
        if (entry.name == name) return true;
    }
    return false;
}

// The one line an unknown subcommand gets, naming those that exist.
int unknown_subcommand(const std::string& name, std::ostream& err) {
    std::string names;
    for (const SubcommandEntry& entry : subcommand_table()) {
        names += (names.empty() ? "" : ", ") + std::string(entry.name);
    }
    err << "scenc: no subcommand \"" << name << "\"; the subcommands are " << names
        << " (scenc --help)\n";
    return usage_problem_status;
}

// An option written with "=" and nothing after it, or -W without its name: the parser would
// take the next argument, a file, as its value. The problem in one line, if there is one.
std::optional<std::string> option_without_value(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument.starts_with("--") && argument.ends_with("=")) {
            return std::string(argument.substr(0, argument.size() - 1)) +
                   ": a value must follow the \"=\"";
        }
        if (argument == "-W") {
            return "-W: the warning to turn off must be written with it, as -Wno-NAME";
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<int> parse_command_line(CLI::App& app, int argc, const char* const* argv,
                                      std::ostream& err) {
    if (const std::optional<std::string> problem = option_without_value(argc, argv)) {
        err << "scenc: " << *problem << "\n";
        return usage_problem_status;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (argc > 1 && argv[1][0] != '-' && !is_subcommand_name(argv[1])) {
            return unknown_subcommand(argv[1], err);
        }
        if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
        err << "scenc: " << error.what() << "\n";
        return usage_problem_status;
    }
    return std::nullopt;
}

int run_chosen_subcommand(std::vector<DefinedSubcommand>& defined, std::ostream& out,
                          std::ostream& err) {
    for (DefinedSubcommand& subcommand : defined) {
        if (subcommand.command->parsed()) return subcommand.subcommand->run(out, err);
    }
    // The parser requires one subcommand, so this is a fault of the table, not of the user.
    err << "scenc: no subcommand was chosen (scenc --help)\n";
    return usage_problem_status;
}

}  // namespace scenario::scenc
