// scenc serve: the view of two texts in a browser page that follows every save of them.
#include "scenc/commands/command_options.h"
#include "scenc/commands/serve.h"
#include "scenc/commands/subcommand.h"

namespace scenario::scenc {
namespace {

class ServeCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        add_texts_and_identity(command, request_.texts);
        command.add_option("--port", request_.port, "port on 127.0.0.1; 0 for any free one")
            ->check(CLI::Range(0, 65535))
            ->type_name("N")
            ->capture_default_str();
        command.add_flag("--open", request_.open, "open the page in the desktop's browser");
        command.footer(
            "Checks and compiles the texts in memory at every save and redraws the open page in\n"
            "place; while the texts have errors the page keeps the last clean view and lists the\n"
            "errors. Listens on 127.0.0.1 only and writes no file.\n"
            "Exit status: 0 ended by Ctrl-C or SIGTERM; 2 a text is missing or unusable at the\n"
            "start, the names tell no identity, or the port is in use.");
    }

    int run(std::ostream& out, std::ostream& err) override { return run_serve(request_, out, err); }

  private:
    ServeRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_serve_command() {
    return std::make_unique<ServeCommand>();
}

}  // namespace scenario::scenc
