// scenc, the scenario authors' tool: sets up the command line and hands each subcommand to
// its module in scenc/.
#include <CLI/CLI.hpp>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scenc/cli_documents.h"
#include "scenc/compile_commands.h"
#include "scenc/diff.h"
#include "scenc/dump.h"
#include "scenc/example.h"
#include "scenc/input_files.h"
#include "scenc/lsp.h"
#include "scenc/plot.h"
#include "scenc/units.h"
#include "scenc/view.h"

using namespace scenario::scenc;

namespace {

void add_texts_and_identity(CLI::App& command, CompileRequest& request) {
    command.add_option("ROUTE", request.route, "route text, normally STEM_linea.txt")
        ->required()
        ->type_name("FILE");
    command.add_option("TRAIN", request.train, "train text, normally STEM_N-.txt")
        ->required()
        ->type_name("FILE");
    command.add_option("--stem", request.stem,
                       "route stem, needed when ROUTE is not named STEM_linea.txt");
    command.add_option("--train-number", request.train_number,
                       "train number, needed when TRAIN is not named STEM_N-.txt");
}

// -w, --werror and -Wno-NAME, for the commands that compile texts.
void add_warning_options(CLI::App& command, WarningOptions& options) {
    command.add_flag("-w", options.silent, "show no warnings");
    command.add_flag("--werror", options.as_errors, "warnings count as errors for the exit status");
    command.add_option("-W", options.switches, "-Wno-NAME turns off the warning NAME")
        ->type_name("no-NAME")
        ->allow_extra_args(false);
}

// The --from and --to texts of one command, in decimal kilometres.
struct StretchOptions {
    std::string from;
    std::string to;

    void add_to(CLI::App& command, const std::string& what) {
        command.add_option("--from", from, what + " from this point (decimal km, e.g. 100)")
            ->type_name("KM");
        command.add_option("--to", to, what + " up to this point (decimal km, e.g. 102.5)")
            ->type_name("KM");
    }

    // The stretch asked for, if any; a text that is no distance ends the command with 2.
    std::optional<units::Stretch> stretch() const {
        if (from.empty() && to.empty()) return std::nullopt;
        units::Stretch stretch{0, std::numeric_limits<std::int32_t>::max()};
        for (auto [text, end] : {std::pair{&from, &stretch.from}, std::pair{&to, &stretch.to}}) {
            if (text->empty()) continue;
            std::optional<std::int32_t> metres = units::metres_from_km_text(*text);
            if (!metres) throw UsageProblem(*text + ": not a distance in kilometres (e.g. 102.5)");
            *end = *metres;
        }
        if (stretch.from >= stretch.to) {
            throw UsageProblem("the stretch must end after it starts (--from " +
                               (from.empty() ? "0" : from) + " --to " + to + ")");
        }
        return stretch;
    }
};

// An option that takes one of a few words, each standing for a value.
template <typename Value>
CLI::Option* add_choice(CLI::App& command, const std::string& name, Value& value,
                        const std::vector<std::pair<std::string, Value>>& choices,
                        const std::string& help) {
    std::vector<std::string> words;
    for (const auto& choice : choices) words.push_back(choice.first);
    return command
        .add_option_function<std::string>(
            name,
            [&value, choices](const std::string& word) {
                for (const auto& choice : choices) {
                    if (choice.first == word) value = choice.second;
                }
            },
            help)
        ->check(CLI::IsMember(words).description(""));
}

void add_check_output_options(CLI::App& check, CheckRequest& request) {
    add_choice<ReportFormat>(check, "--format", request.format,
                             {{"human", ReportFormat::human},
                              {"gcc", ReportFormat::gcc},
                              {"json", ReportFormat::json},
                              {"sarif", ReportFormat::sarif}},
                             "human (the default), gcc (one line per diagnostic, for editors), "
                             "json or sarif (SARIF 2.1.0)")
        ->type_name("FORMAT");
    add_choice<ColorChoice>(check, "--color", request.color,
                            {{"auto", ColorChoice::automatic},
                             {"always", ColorChoice::always},
                             {"never", ColorChoice::never}},
                            "colour the human format: auto (when standard output is a "
                            "terminal), always or never")
        ->type_name("WHEN");
    check
        .add_option("--max-errors", request.max_errors,
                    "show at most N errors (warnings not counted); 0 for no limit")
        ->check(CLI::NonNegativeNumber)
        ->type_name("N")
        ->capture_default_str();
}

bool is_subcommand(CLI::App& app, const std::string& name) {
    auto commands =
        app.get_subcommands([&](CLI::App* command) { return command->check_name(name); });
    return !commands.empty();
}

// The one line an unknown subcommand gets, naming those that exist.
int unknown_subcommand(CLI::App& app, const std::string& name) {
    std::string names;
    for (const CLI::App* command : app.get_subcommands([](CLI::App*) { return true; })) {
        names += (names.empty() ? "" : ", ") + command->get_name();
    }
    std::cerr << "scenc: no subcommand \"" << name << "\"; the subcommands are " << names
              << " (scenc --help)\n";
    return usage_problem_status;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Checks, compiles, shows and draws train-driving scenarios.", "scenc"};
    app.set_version_flag("--version", "scenc " SCENC_VERSION);
    app.require_subcommand(1);

    CheckRequest check_request;
    check_request.tool_version = SCENC_VERSION;
    CLI::App* check = app.add_subcommand(
        "check", "Check ROUTE and TRAIN in memory and report every error found; writes nothing.");
    add_texts_and_identity(*check, check_request.texts);
    add_check_output_options(*check, check_request);
    add_warning_options(*check, check_request.texts.warnings);
    check->footer(
        "Each error is shown as FILE:LINE:COL: error N: reason, with the line and a caret under\n"
        "the field, then a summary line; the error the package program would report is marked.\n"
        "--format=gcc, json and sarif write only the report to standard output, for editors and\n"
        "tools; a file that cannot be used is one line on standard error.\n"
        "Warnings come with their name, [-WNAME]: -w silences them, -Wno-NAME one of them,\n"
        "--werror makes them count as errors.\n"
        "Exit status: 0 no error (warnings alone included); 1 errors, or a warning with\n"
        "--werror; 2 the check could not run (bad arguments, a missing or unusable file, or\n"
        "an unknown -Wno-NAME).");

    CompileRequest compile_request;
    CLI::App* compile = app.add_subcommand(
        "compile", "Compile ROUTE and TRAIN into the plan, record and cell files.");
    add_texts_and_identity(*compile, compile_request);
    add_warning_options(*compile, compile_request.warnings);
    compile
        ->add_option("-o,--output", compile_request.output_folder,
                     "folder for the compiled files (created when missing)")
        ->type_name("DIR")
        ->capture_default_str();
    compile->add_flag("--no-plan", compile_request.no_plan, "write no plan file (STEM_linea.dat)");
    compile->footer(
        "Errors and warnings are shown as for check; warnings never change the files.\n"
        "Exit status: 0 clean; 1 files written, but the scenario has an error (or a warning "
        "with --werror); 2 nothing "
        "written (the compile stopped, or a file or name is missing or unusable); 3 a file "
        "could not be written.");

    DumpRequest dump_request;
    CLI::App* dump = app.add_subcommand("dump", "Show compiled files as tables.");
    dump->add_option("FILE", dump_request.files, "STEM_N.sim, STEM_N.dat or STEM_linea.dat")
        ->required();
    dump->add_flag("--json", dump_request.json, "the same content as JSON");
    dump->add_flag("--all", dump_request.all_cells, "list every cell, not only those in use");
    StretchOptions dump_stretch;
    dump_stretch.add_to(*dump, "list the cells");
    dump->footer(
        "Each stored value is followed by its meaning: km/h, per mille, hh:mm:ss, positions\n"
        "in metres and km+m. The kind of each file is told from its content.\n"
        "Exit status: 0 shown; 2 a file is missing, or its content is not what its name says.");

    DiffRequest diff_request;
    CLI::App* diff = app.add_subcommand(
        "diff", "Show what differs between two compiled scenarios, in the author's units.");
    diff->add_option("OLD", diff_request.old_input, "a compiled file, or a folder with a set")
        ->required();
    diff->add_option("NEW", diff_request.new_input, "a file of the same kind, or a folder")
        ->required();
    diff->add_flag("--json", diff_request.json, "the differences as JSON");
    scenario::Identity diff_identity;
    diff->add_option("--stem", diff_identity.route_stem,
                     "route stem of the set in both folders (when a folder holds several)");
    diff->add_option("--train-number", diff_identity.train_number,
                     "train number of the set in both folders");
    diff->footer(
        "Exit status: 0 the same; 1 different; 2 trouble (missing, unusable or "
        "mismatched inputs).");

    PlotRequest plot_request;
    CLI::App* plot = app.add_subcommand(
        "plot", "Draw the ground plan and the line profile of a compiled scenario.");
    plot->add_option("INPUT", plot_request.inputs,
                     "a folder holding the compiled files, or the files themselves")
        ->required();
    plot->add_option("-o,--output", plot_request.output, "the picture: .png, .svg or .pdf")
        ->required()
        ->type_name("FILE");
    StretchOptions plot_stretch;
    plot_stretch.add_to(*plot, "draw the line");
    plot->footer(
        "The picture's folder is created when missing.\n"
        "Exit status: 0 drawn; 2 an input is missing or wrong; 3 cannot draw or write.");

    ViewRequest view_request;
    CLI::App* view = app.add_subcommand(
        "view", "Write one HTML page to move along a compiled scenario in a browser.");
    view->add_option("INPUT", view_request.inputs,
                     "a folder holding the compiled files, or the files themselves")
        ->required();
    view->add_option("-o,--output", view_request.output, "the page, FILE.html")
        ->required()
        ->type_name("FILE");
    view->add_option("--texts", view_request.texts,
                     "the route and train texts the set was compiled from: the page then names "
                     "the file and line of each feature")
        ->expected(2)
        ->type_name("ROUTE TRAIN");
    view->footer(
        "The page needs nothing but a browser: no network, nothing beside it.\n"
        "Exit status: 0 written; 2 an input is missing or wrong; 3 cannot write.");

    ExampleRequest example_request;
    CLI::App* example = app.add_subcommand(
        "example", "Write the carried scenario's texts and documents into DIR as a start.");
    example
        ->add_option("DIR", example_request.folder, "folder to write into (created when missing)")
        ->required()
        ->type_name("DIR");
    example->add_flag("--force", example_request.force, "replace files of the same names");
    example
        ->add_option("--stem", example_request.identity.route_stem,
                     "route stem of the new scenario's files")
        ->capture_default_str();
    example
        ->add_option("--train-number", example_request.identity.train_number,
                     "train number of the new scenario's files")
        ->capture_default_str();
    example->footer("Exit status: 0 written; 2 a file would be replaced; 3 cannot write.");

    CLI::App* lsp = app.add_subcommand(
        "lsp", "Serve editors as a language server on standard input and output.");
    lsp->footer(
        "Speaks the Language Server Protocol: diagnostics of the texts of a scenario as they\n"
        "are typed, hover on a row, the outline and the row keywords. Writes no file.\n"
        "Exit status: 0 after the editor's shutdown and exit; 1 when it ends otherwise.");

    // The build writes the manual pages and the completion from this definition.
    if (auto status = write_cli_documents_if_asked(app, argc, argv)) return *status;
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (argc > 1 && argv[1][0] != '-' && !is_subcommand(app, argv[1])) {
            return unknown_subcommand(app, argv[1]);
        }
        int status = app.exit(error);
        return status == 0 ? 0 : usage_problem_status;
    }
    if (check->parsed()) return run_check(check_request, std::cout, std::cerr);
    if (compile->parsed()) return run_compile(compile_request, std::cout, std::cerr);
    if (diff->parsed()) {
        if (!diff_identity.route_stem.empty() || !diff_identity.train_number.empty()) {
            diff_request.identity = diff_identity;
        }
        return run_diff(diff_request, std::cout, std::cerr);
    }
    if (dump->parsed()) {
        return report_problems(std::cerr, [&] {
            dump_request.stretch = dump_stretch.stretch();
            return run_dump(dump_request, std::cout, std::cerr);
        });
    }
    if (plot->parsed()) {
        return report_problems(std::cerr, [&] {
            plot_request.stretch = plot_stretch.stretch();
            return run_plot(plot_request, std::cout, std::cerr);
        });
    }
    if (lsp->parsed()) {
        return scenario::scenc::lsp::run_language_server(0, std::cout, std::cerr, SCENC_VERSION);
    }
    if (view->parsed()) return run_view(view_request, std::cout, std::cerr);
    return run_example(example_request, std::cout, std::cerr);
}
