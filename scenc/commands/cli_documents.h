// scenc's manual pages and its bash completion, made from the command line definition itself,
// so that they say what --help says and a new subcommand or option joins them by itself.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

namespace scenario::scenc {

// The page of the whole program (command is the program itself) or of one subcommand, as
// scdoc source: NAME, SYNOPSIS, DESCRIPTION, ARGUMENTS, OPTIONS, EXIT STATUS, SEE ALSO.
std::string manual_page(const CLI::App& program, const CLI::App& command);

// The name of command's page without its section: "scenc" or "scenc-check".
std::string manual_page_name(const CLI::App& program, const CLI::App& command);

// A bash completion script for the program: subcommands, their options, and file or folder
// names where an argument or option takes one.
std::string bash_completion(const CLI::App& program);

// The build's hook: for "PROGRAM --write-cli-documents DIR" (kept out of --help) writes every
// page as DIR/NAME.1.scd and the completion as DIR/completion.bash, and returns the exit
// status (0, or 3 when a file cannot be written); for any other arguments returns nothing.
std::optional<int> write_cli_documents_if_asked(const CLI::App& program, int argc,
                                                const char* const* argv);

}  // namespace scenario::scenc
