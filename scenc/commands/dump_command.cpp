// scenc dump: compiled files as tables or JSON.
#include "scenc/commands/command_options.h"
#include "scenc/commands/subcommand.h"
#include "scenc/common/input_files.h"
#include "scenc/review/dump.h"

namespace scenario::scenc {
namespace {

class DumpCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command.add_option("FILE", request_.files, "STEM_N.sim, STEM_N.dat or STEM_linea.dat")
            ->required();
        command.add_flag("--json", request_.json, "the same content as JSON");
        command.add_flag("--all", request_.all_cells, "list every cell, not only those in use");
        command.add_flag("--raw", request_.raw,
                         "give the cells' stored values too, in columns beside the decoded ones");
        stretch_.add_to(command, "list the cells, or a record file's stations and sign boards,");
        command.footer(
            "Each stored value is followed by its meaning: km/h, per mille, hh:mm:ss, positions\n"
            "in metres and km+m; packed cell values are decoded into the row fields that made\n"
            "them (--raw shows the stored numbers too; JSON has both). The kind of each file is\n"
            "told from its content.\n"
            "Exit status: 0 shown; 2 a file is missing, not a regular file, over 32 MiB or not\n"
            "what its name says, or the stretch lies past the cells.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        return report_problems(err, [&] {
            request_.stretch = stretch_.stretch();
            return run_dump(request_, out, err);
        });
    }

  private:
    DumpRequest request_;
    StretchOptions stretch_;
};

}  // namespace

std::unique_ptr<Subcommand> make_dump_command() {
    return std::make_unique<DumpCommand>();
}

}  // namespace scenario::scenc
