// scenc compile: the compiled files of a route and train pair, written as the package program
// writes them.
#include "scenc/commands/command_options.h"
#include "scenc/commands/subcommand.h"

namespace scenario::scenc {
namespace {

class CompileCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        add_texts_and_identity(command, request_);
        add_report_options(command, request_.report);
        add_warning_options(command, request_.warnings);
        command
            .add_option("-o,--output", request_.output_folder,
                        "folder for the compiled files (created when missing)")
            ->type_name("DIR")
            ->capture_default_str();
        command.add_flag("--no-plan", request_.no_plan, "write no plan file (STEM_linea.dat)");
        command.footer(
            "Warnings never change the files. When the compile stops or ends with an error, the\n"
            "texts' diagnostics are shown on standard error as check shows them (--format, the\n"
            "error the package program reports marked), then \"nothing written\" if it stopped.\n"
            "Exit status: 0 clean; 1 files written, but the scenario has an error (or a warning "
            "with --werror); 2 nothing "
            "written (the compile stopped, or a file or name is missing or unusable); 3 a file "
            "could not be written.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        return run_compile(request_, out, err);
    }

  private:
    CompileRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_compile_command() {
    return std::make_unique<CompileCommand>();
}

}  // namespace scenario::scenc
