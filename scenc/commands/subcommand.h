// One of scenc's subcommands: the options it adds to the command line and what it runs.
#pragma once

#include <CLI/CLI.hpp>
#include <memory>
#include <ostream>
#include <string_view>

namespace scenario::scenc {

// A subcommand keeps its own request: the options it adds bind to the object's members, so
// the object lives from the definition of the command line until the run.
class Subcommand {
  public:
    virtual ~Subcommand() = default;
    virtual void add_options(CLI::App& command) = 0;
    // Runs after the command line parsed; returns the exit status.
    virtual int run(std::ostream& out, std::ostream& err) = 0;
};

// One row of scenc's table of subcommands (scenc/subcommands.cpp).
struct SubcommandEntry {
    std::string_view name;
    std::string_view help;
    std::unique_ptr<Subcommand> (*make)();
};

std::unique_ptr<Subcommand> make_check_command();
std::unique_ptr<Subcommand> make_compile_command();
std::unique_ptr<Subcommand> make_dump_command();
std::unique_ptr<Subcommand> make_diff_command();
std::unique_ptr<Subcommand> make_plot_command();
std::unique_ptr<Subcommand> make_view_command();
std::unique_ptr<Subcommand> make_example_command();
std::unique_ptr<Subcommand> make_lsp_command();
std::unique_ptr<Subcommand> make_serve_command();
std::unique_ptr<Subcommand> make_fmt_command();
std::unique_ptr<Subcommand> make_decompile_command();
std::unique_ptr<Subcommand> make_explain_command();

}  // namespace scenario::scenc
