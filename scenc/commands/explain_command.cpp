// scenc explain: what an error number, a warning or a row keyword means, why the simulator
// needs it, and a wrong and a right row.
#include <string>

#include "compiler/explanations.h"
#include "scenc/commands/subcommand.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {
namespace {

class ExplainCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command
            .add_option("NAME", name_,
                        "an error number (16), a warning name (out-of-order) or a row keyword "
                        "(segnale)")
            ->required()
            ->type_name("NAME");
        command.footer("Exit status: 0 explained; 2 NAME is none of these.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        const std::optional<std::string> text = explanation_text(name_);
        if (!text) {
            err << "scenc explain: \"" << name_
                << "\" is no error number, warning name or row keyword\n";
            return usage_problem_status;
        }
        out << *text;
        return 0;
    }

  private:
    std::string name_;
};

}  // namespace

std::unique_ptr<Subcommand> make_explain_command() {
    return std::make_unique<ExplainCommand>();
}

}  // namespace scenario::scenc
