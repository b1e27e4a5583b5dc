#include "scenc/compile_commands.h"

#include <ostream>

#include "compiler/driver.h"
#include "compiler/keywords.h"
#include "io/exit_status.h"
#include "io/file_output.h"
#include "scenc/error_report.h"
#include "scenc/identity_from_names.h"
#include "scenc/input_files.h"
#include "scenc/scenario_view.h"

namespace scenario::scenc {

namespace {

Identity identity_for(const CompileRequest& request) {
    return identity_from_names(request.route, request.train, request.stem, request.train_number);
}

// Without a "[generale]" field the train parser reads no row at all, so a file of another
// format would compile as a train without stations or signals: refuse it instead.
std::string read_train_text(const std::filesystem::path& path) {
    std::string text = read_scenario_text(path);
    if (!contains(ascii_lowered(text), "[generale]")) {
        throw UsageProblem(path.string() + ": not a train text (it has no [generale])");
    }
    return text;
}

// The display names are the paths as the author typed them.
CompiledSources compile_request(const CompileRequest& request, const Identity& id, std::int32_t j) {
    return compile_sources({request.route.string(), read_scenario_text(request.route)},
                           {request.train.string(), read_train_text(request.train)}, id, j);
}

// check needs no identity to find errors; names that do not tell one are no reason to stop.
Identity identity_for_check(const CompileRequest& request) {
    try {
        return identity_for(request);
    } catch (const UsageProblem&) {
        return {request.stem.value_or("scenario"), request.train_number.value_or("0")};
    }
}

std::string clean_summary(const CompileRequest& request, const Model& model) {
    std::size_t signals = 0;
    for (const TrackCell& cell : model.cells) signals += cell.kind == cell_kind::signal ? 1 : 0;
    return request.route.string() + ", " + request.train.string() + ": no errors (" +
           std::to_string(model.cells.size()) + " cells, " +
           std::to_string(station_slots(model).size()) + " stations, " + std::to_string(signals) +
           " signals)\n";
}

std::vector<std::filesystem::path> output_paths(const CompileRequest& request, const Identity& id) {
    std::vector<std::filesystem::path> paths{request.output_folder / file_name::records(id),
                                             request.output_folder / file_name::cells(id)};
    if (!request.no_plan) paths.insert(paths.begin(), request.output_folder / file_name::plan(id));
    return paths;
}

void refuse_overwriting_inputs(const CompileRequest& request, const Identity& id) {
    for (const auto& output : output_paths(request, id)) {
        for (const auto& input : {request.route, request.train}) {
            std::error_code ignored;
            if (std::filesystem::equivalent(output, input, ignored)) {
                throw UsageProblem("compiling would overwrite the input " + input.string());
            }
        }
    }
}

void make_output_folder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw SystemFailure(error.value(), folder);
}

int write_outcome(const CompileRequest& request, const Identity& id,
                  const CompiledSources& compiled, std::ostream& out, std::ostream& err) {
    if (compiled.outcome.status != CompileOutcome::Status::ready) {
        err << compiled.report << "nothing written\n";
        return exit_status::stopped;
    }
    make_output_folder(request.output_folder);
    for (const std::string& note : write_files_together(
             request.output_folder, compiled_files_by_name(id, compiled.outcome.files))) {
        err << note << "\n";
    }
    for (const auto& path : output_paths(request, id)) out << "wrote " << path.string() << "\n";
    if (compiled.report.empty()) return exit_status::clean;
    err << compiled.report;
    return exit_status::scenario_error;
}

}  // namespace

int run_check(const CompileRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        CompiledSources compiled = compile_request(request, identity_for_check(request), 1);
        if (!compiled.report.empty()) {
            err << compiled.report;
            return 1;
        }
        out << clean_summary(request, compiled.model);
        return 0;
    });
}

int run_compile(const CompileRequest& request, std::ostream& out, std::ostream& err) {
    return report_problems(err, [&] {
        Identity id = identity_for(request);
        refuse_overwriting_inputs(request, id);
        CompiledSources compiled = compile_request(request, id, request.no_plan ? 0 : 1);
        return write_outcome(request, id, compiled, out, err);
    });
}

}  // namespace scenario::scenc
