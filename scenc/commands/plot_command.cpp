// scenc plot: the ground plan and the line profile as a picture.
#include "scenc/commands/command_options.h"
#include "scenc/commands/subcommand.h"
#include "scenc/common/input_files.h"
#include "scenc/review/plot.h"

namespace scenario::scenc {
namespace {

class PlotCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        add_compiled_set_and_output(command, request_.inputs, request_.output,
                                    "the picture: .png, .svg or .pdf");
        stretch_.add_to(command, "draw the line");
        command.add_flag("--timetable", request_.timetable,
                         "draw the timetable as a time-distance diagram: the scheduled path "
                         "and the fastest path the speed limits allow");
        command.footer(
            "The picture's folder is created when missing.\n"
            "Exit status: 0 drawn; 2 an input is missing or wrong; 3 cannot draw or write.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        return report_problems(err, [&] {
            request_.stretch = stretch_.stretch();
            return run_plot(request_, out, err);
        });
    }

  private:
    PlotRequest request_;
    StretchOptions stretch_;
};

}  // namespace

std::unique_ptr<Subcommand> make_plot_command() {
    return std::make_unique<PlotCommand>();
}

}  // namespace scenario::scenc
