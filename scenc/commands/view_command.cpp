// scenc view: one HTML page to move along a compiled scenario in a browser.
#include "scenc/commands/command_options.h"
#include "scenc/commands/subcommand.h"
#include "scenc/review/view.h"

namespace scenario::scenc {
namespace {

class ViewCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        add_compiled_set_and_output(command, request_.inputs, request_.output,
                                    "the page, FILE.html");
        command
            .add_option("--texts", request_.texts,
                        "the route and train texts the set was compiled from: the page then "
                        "names the file and line of each feature")
            ->expected(2)
            ->type_name("ROUTE TRAIN");
        command.footer(
            "The page needs nothing but a browser: no network, nothing beside it.\n"
            "Exit status: 0 written; 2 an input is missing or wrong; 3 cannot write.");
    }

    int run(std::ostream& out, std::ostream& err) override { return run_view(request_, out, err); }

  private:
    ViewRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_view_command() {
    return std::make_unique<ViewCommand>();
}

}  // namespace scenario::scenc
