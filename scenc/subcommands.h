// scenc's table of subcommands, and the command line built from it.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <vector>

#include "scenc/commands/subcommand.h"

namespace scenario::scenc {

// Every subcommand, in the order --help lists them.
std::span<const SubcommandEntry> subcommand_table();

// A subcommand as added to the command line: its object and its place in the parser.
struct DefinedSubcommand {
    std::unique_ptr<Subcommand> subcommand;
    CLI::App* command = nullptr;
};

// scenc's command line with every subcommand of the table on it.
std::vector<DefinedSubcommand> define_subcommands(CLI::App& app);

// Parses the command line; an exit status when it is not to run a subcommand (--help,
// --version, an unknown subcommand or bad options), nothing when one was chosen.
std::optional<int> parse_command_line(CLI::App& app, int argc, const char* const* argv,
                                      std::ostream& err);

// Runs the subcommand the command line chose.
int run_chosen_subcommand(std::vector<DefinedSubcommand>& defined, std::ostream& out,
                          std::ostream& err);

}  // namespace scenario::scenc
