// scenc decompile: a route text and a train text, written from a compiled scenario's files,
// that compile to the same files byte for byte.
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compiled_reader.h"
#include "compiler/decompiler.h"
#include "io/exit_status.h"
#include "io/file_output.h"
#include "scenc/commands/subcommand.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {
namespace {

namespace fs = std::filesystem;

struct DecompileRequest {
    std::vector<std::string> inputs;
    std::string output_folder = ".";
};

// The compiled files named on the command line, or those of one folder, each told by its
// content; files that are not compiled files are left out of a folder and refused when named.
CompiledSet read_compiled_set(const std::vector<std::string>& inputs) {
    std::vector<fs::path> paths;
    const bool folder = inputs.size() == 1 && fs::is_directory(inputs.front());
    if (folder) {
        for (const fs::directory_entry& entry : fs::directory_iterator(inputs.front())) {
            const std::string extension = entry.path().extension().string();
            if (entry.is_regular_file() && (extension == ".sim" || extension == ".dat")) {
                paths.push_back(entry.path());
            }
        }
        std::sort(paths.begin(), paths.end());
    } else {
        paths.assign(inputs.begin(), inputs.end());
    }
    std::optional<std::string> plan, records, cells;
    for (const fs::path& path : paths) {
        std::string bytes = read_compiled_file(path);
        const std::optional<CompiledFileKind> kind = compiled_kind_from_content(bytes);
        if (!kind) {
            if (folder) continue;
            throw UsageProblem(path.string() + ": not a plan, record or cell file");
        }
        std::optional<std::string>& slot = *kind == CompiledFileKind::plan      ? plan
                                           : *kind == CompiledFileKind::records ? records
                                                                                : cells;
        if (slot) {
            throw UsageProblem(path.string() + ": a second " + kind_description(*kind) +
                               "; give one scenario's files");
        }
        slot = std::move(bytes);
    }
    const std::string where = folder ? " in " + inputs.front() : " among the files given";
    if (!records) throw UsageProblem("no record file (STEM_N.sim)" + where);
    if (!cells) throw UsageProblem("no cell file (STEM_N.dat)" + where);
    return {std::move(plan), std::move(*records), std::move(*cells)};
}

// A stem or train number that cannot name a file in the output folder.
bool unusable_in_a_name(const std::string& part) {
    return part.empty() || part == "." || part == ".." ||
           part.find_first_of(std::string("/\0", 2)) != std::string::npos;
}

int run_decompile(const DecompileRequest& request, std::ostream& out, std::ostream& err) {
    const CompiledSet set = read_compiled_set(request.inputs);
    DecompiledScenario texts;
    try {
        texts = decompile(set);
    } catch (const CompiledFileError& e) {
        throw UsageProblem(std::string("the compiled files do not have their layout: ") + e.what());
    }
    if (unusable_in_a_name(texts.identity.route_stem) ||
        unusable_in_a_name(texts.identity.train_number)) {
        throw UsageProblem("the record file's route stem or train number cannot name a file");
    }
    make_output_folder(request.output_folder);
    const fs::path folder(request.output_folder);
    const fs::path route = folder / file_name::route_text(texts.identity);
    const fs::path train = folder / file_name::train_text(texts.identity);
    prepare_output_file(route);
    prepare_output_file(train);
    for (const std::string& note :
         write_files_together({{route, texts.route_text}, {train, texts.train_text}})) {
        err << note << "\n";
    }
    out << "wrote " << route.string() << "\nwrote " << train.string() << "\n";
    if (texts.plan_option == 0) out << "compile them with --no-plan\n";
    if (texts.problem.empty()) return exit_status::clean;
    err << "scenc decompile: "
        << (texts.no_text_gives ? "no text gives these files: "
                                : "the texts written do not give these files back: ")
        << texts.problem << "\n";
    return exit_status::scenario_error;
}

class DecompileCommand : public Subcommand {
  public:
    void add_options(CLI::App& command) override {
        command
            .add_option("INPUT", request_.inputs,
                        "a folder holding one scenario's compiled files, or the files "
                        "(STEM_N.sim, STEM_N.dat and, when there is one, STEM_linea.dat)")
            ->required();
        command
            .add_option("-o,--output", request_.output_folder,
                        "folder for the two texts (created when missing)")
            ->type_name("DIR")
            ->capture_default_str();
        command.footer(
            "Writes STEM_linea.txt and STEM_N-.txt, which compile (with --no-plan when no plan\n"
            "file was given) to the same files byte for byte. Comments, the order of rows and\n"
            "rows whose effect a later row overwrote are not in the files: the texts take one\n"
            "canonical form.\n"
            "Exit status: 0 written; 1 written, but the texts do not give the files exactly (the\n"
            "first place is named); 2 nothing written (a file is missing, unreadable or not a "
            "compiled\n"
            "file); 3 a text could not be written.");
    }

    int run(std::ostream& out, std::ostream& err) override {
        return report_problems(err, [&] { return run_decompile(request_, out, err); });
    }

  private:
    DecompileRequest request_;
};

}  // namespace

std::unique_ptr<Subcommand> make_decompile_command() {
    return std::make_unique<DecompileCommand>();
}

}  // namespace scenario::scenc
