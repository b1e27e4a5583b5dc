// scenc example: the carried scenario's texts and documents, as a start for a new one.
#include "scenc/commands/example.h"
#include "scenc/commands/subcommand.h"

namespace scenario::scenc {
namespace {

class ExampleCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command.add_option("DIR", request_.folder, "folder to write into (created when missing)")
            ->required()
            ->type_name("DIR");
        command.add_flag("--force", request_.force, "replace files of the same names");
        command
            .add_option("--stem", request_.identity.route_stem,
                        "route stem of the new scenario's files")
            ->capture_default_str();
        command
            .add_option("--train-number", request_.identity.train_number,
                        "train number of the new scenario's files")
            ->capture_default_str();
        command.footer("Exit status: 0 written; 2 a file would be replaced; 3 cannot write.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        return run_example(request_, out, err);
    }

  private:
    ExampleRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_example_command() {
    return std::make_unique<ExampleCommand>();
}

}  // namespace scenario::scenc
