// scenc, the scenario authors' tool: sets up the command line and hands each subcommand to
// its module in scenc/.
#include <CLI/CLI.hpp>
#include <iostream>

#include "scenc/compile_commands.h"
#include "scenc/dump.h"
#include "scenc/example.h"
#include "scenc/input_files.h"
#include "scenc/plot.h"
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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Checks, compiles, shows and draws train-driving scenarios.", "scenc"};
    app.set_version_flag("--version", "scenc " SCENC_VERSION);
    app.require_subcommand(1);

    CompileRequest check_request;
    CLI::App* check = app.add_subcommand(
        "check", "Compile ROUTE and TRAIN in memory and report the first error; writes nothing.");
    add_texts_and_identity(*check, check_request);
    check->footer(
        "Errors are shown as FILE:LINE:COL: errore N: meaning, with the line and a caret.\n"
        "Exit status: 0 no error; 1 a scenario error; 2 a missing or unusable file.");

    CompileRequest compile_request;
    CLI::App* compile = app.add_subcommand(
        "compile", "Compile ROUTE and TRAIN into the plan, record and cell files.");
    add_texts_and_identity(*compile, compile_request);
    compile
        ->add_option("-o,--output", compile_request.output_folder,
                     "folder for the compiled files (created when missing)")
        ->type_name("DIR")
        ->capture_default_str();
    compile->add_flag("--no-plan", compile_request.no_plan, "write no plan file (STEM_linea.dat)");
    compile->footer(
        "Errors are shown as for check.\n"
        "Exit status: 0 clean; 1 files written, but the scenario has an error; 2 nothing "
        "written (the compile stopped, or a file or name is missing or unusable); 3 a file "
        "could not be written.");

    DumpRequest dump_request;
    CLI::App* dump = app.add_subcommand("dump", "Show compiled files as tables.");
    dump->add_option("FILE", dump_request.files, "STEM_N.sim, STEM_N.dat or STEM_linea.dat")
        ->required();
    dump->add_flag("--json", dump_request.json, "the same content as JSON");
    dump->add_flag("--all", dump_request.all_cells, "list every cell, not only those in use");
    dump->footer("Exit status: 0 shown; 2 a file is missing or not what its name says.");

    PlotRequest plot_request;
    CLI::App* plot = app.add_subcommand(
        "plot", "Draw the ground plan and the line profile of a compiled scenario.");
    plot->add_option("INPUT", plot_request.inputs,
                     "a folder holding the compiled files, or the files themselves")
        ->required();
    plot->add_option("-o,--output", plot_request.output, "the picture: .png, .svg or .pdf")
        ->required()
        ->type_name("FILE");
    plot->footer("Exit status: 0 drawn; 2 an input is missing or wrong; 3 cannot draw or write.");

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
    example->footer("Exit status: 0 written; 2 a file would be replaced; 3 cannot write.");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        int status = app.exit(error);
        return status == 0 ? 0 : usage_problem_status;
    }
    if (check->parsed()) return run_check(check_request, std::cout, std::cerr);
    if (compile->parsed()) return run_compile(compile_request, std::cout, std::cerr);
    if (dump->parsed()) return run_dump(dump_request, std::cout, std::cerr);
    if (plot->parsed()) return run_plot(plot_request, std::cout, std::cerr);
    if (view->parsed()) return run_view(view_request, std::cout, std::cerr);
    return run_example(example_request, std::cout, std::cerr);
}
