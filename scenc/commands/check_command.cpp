// scenc check: the keep-going check of a route and train pair, reported in one of four formats.
#include "scenc/commands/command_options.h"
#include "scenc/commands/subcommand.h"

namespace scenario::scenc {
namespace {

class CheckCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        add_texts_and_identity(command, request_.texts);
        add_report_options(command, request_.texts.report);
        add_warning_options(command, request_.texts.warnings);
        command.add_flag("--fix", request_.fix,
                         "apply every safe fix to the texts (each rewritten by rename, every "
                         "other byte unchanged), then report what is left");
        command.add_flag("--dry-run", request_.dry_run,
                         "with --fix: print the changes as a unified diff and write nothing")
            ->needs("--fix");
        command.footer(
            "Each error is shown as FILE:LINE:COL: error N: reason, with the line and a caret "
            "under\n"
            "the field, then a summary line; the error the package program would report is "
            "marked.\n"
            "--format=gcc, json and sarif write only the report to standard output, for editors "
            "and\n"
            "tools; a file that cannot be used is one line on standard error.\n"
            "Warnings come with their name, [-WNAME]: -w silences them, -Wno-NAME one of them,\n"
            "--werror makes them count as errors, --max-warnings N shows the first N.\n"
            "Texts larger than 16 MiB, and files that are not regular files, are not read.\n"
            "Exit status: 0 no error (warnings alone included); 1 errors, or a warning with\n"
            "--werror; 2 the check could not run (bad arguments, a missing or unusable file, or\n"
            "an unknown -Wno-NAME).");
    }

    int run(std::ostream& out, std::ostream& err) override { return run_check(request_, out, err); }

  private:
    CheckRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_check_command() {
    return std::make_unique<CheckCommand>();
}

}  // namespace scenario::scenc
