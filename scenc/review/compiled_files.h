// Finds and reads compiled files named on the command line, or a set in a folder, for dump,
// diff, plot and view.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

#include "compiler/compiled_reader.h"
#include "compiler/identity.h"
#include "compiler/model.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {

// The kind a compiled file's name gives it: STEM_linea.dat is the plan file, STEM_N.sim the
// record file and any other .dat the cell file; nothing for other names.
std::optional<CompiledFileKind> compiled_file_kind(const std::filesystem::path& path);

// The kind of a named compiled file: its content decides, and a name that promises another
// kind is refused. A UsageProblem names the file and what it looks like.
CompiledFileKind checked_compiled_kind(const std::filesystem::path& path, std::string_view bytes);

// Runs a decoder on the bytes of a named file; a layout error becomes a UsageProblem that
// names the file.
template <typename Decoded>
Decoded decode_file_bytes(const std::filesystem::path& path, std::string_view bytes,
                          Decoded (*decode)(std::string_view)) {
    try {
        return decode(bytes);
    } catch (const CompiledFileError& error) {
        throw UsageProblem(path.string() + ": " + error.what());
    }
}

// A compiled scenario as read back: records and cells always, the plan's points when its file
// was given or found. The model's cell_upper and plan_upper match the tables.
struct CompiledScenario {
    Model model;
    Plan plan;
    std::filesystem::path records_file;
    std::filesystem::path cells_file;
    std::optional<std::filesystem::path> plan_file;
};

// The compiled set in one folder: named by the identity when one is given, else by the
// folder's only record file and the identity it holds. The plan file is taken when present.
CompiledScenario load_compiled_folder(const std::filesystem::path& folder,
                                      const std::optional<Identity>& identity = std::nullopt);

// The compile sizes the cells from the plan's points, one cell per 50 m: a plan and a cell file
// of two compiles side by side would be drawn as one line that is neither. UsageProblem then.
void refuse_mixed_set(const CompiledScenario& scenario);

// From one folder (its only record file names the other two by the identity it holds) or
// from the files themselves. Throws UsageProblem with a one-line message.
CompiledScenario load_compiled_scenario(const std::vector<std::filesystem::path>& inputs);

}  // namespace scenario::scenc
