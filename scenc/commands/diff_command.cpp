// scenc diff: what differs between two compiled scenarios.
#include "compiler/identity.h"
#include "scenc/commands/subcommand.h"
#include "scenc/common/input_files.h"
#include "scenc/review/diff.h"

namespace scenario::scenc {
namespace {

class DiffCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command.add_option("OLD", request_.old_input, "a compiled file, or a folder with a set")
            ->required();
        command.add_option("NEW", request_.new_input, "a file of the same kind, or a folder")
            ->required();
        command.add_flag("--json", request_.json, "the differences as JSON");
        command.add_option("--stem", identity_.route_stem,
                           "route stem of the set in both folders (when a folder holds several)");
        command.add_option("--train-number", identity_.train_number,
                           "train number of the set in both folders");
        command.footer(
            "Exit status: 0 the same; 1 different; 2 trouble (missing, unusable or "
            "mismatched inputs).");
    }

    int run(std::ostream& out, std::ostream& err) override {
        const bool stem = !identity_.route_stem.empty();
        const bool number = !identity_.train_number.empty();
        if (stem != number) {
            // A set's files are named by both: STEM_N.sim, STEM_N.dat, STEM_linea.dat.
            err << "scenc: "
                << (stem ? "--stem needs --train-number" : "--train-number needs --stem")
                << " too: a compiled set is named by both (STEM_N.sim)\n";
            return usage_problem_status;
        }
        if (stem) request_.identity = identity_;
        return run_diff(request_, out, err);
    }

  private:
    DiffRequest request_;
    Identity identity_;
};

}  // namespace

std::unique_ptr<Subcommand> make_diff_command() {
    return std::make_unique<DiffCommand>();
}

}  // namespace scenario::scenc
