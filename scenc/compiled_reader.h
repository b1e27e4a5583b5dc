// Reads the compiled files back into model pieces, for dump and plot.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "compiler/identity.h"
#include "compiler/model.h"
#include "scenc/input_files.h"

namespace scenario::scenc {

// A file that does not have the layout its name promises. The message is one line and
// does not name the file; the caller adds that.
class CompiledFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class CompiledFileKind { plan, records, cells };

// The kind a compiled file's name gives it: STEM_linea.dat is the plan file, STEM_N.sim the
// record file and any other .dat the cell file; nothing for other names.
std::optional<CompiledFileKind> compiled_file_kind(const std::filesystem::path& path);

// "plan file", "record file", "cell file".
std::string kind_description(CompiledFileKind kind);

// The kind a compiled file's bytes show, from the signatures every compiled file carries:
// a cell file is whole 15-byte cells with the marker in cell 1's val1; a record file's 87
// record lengths chain exactly to its size and record 85 holds the marker in par_a; a plan
// file is a chain of tagged values whose sizes add up exactly to its length. Size alone
// cannot tell them apart. Nothing when no signature fits.
std::optional<CompiledFileKind> compiled_kind_from_content(std::string_view bytes);

// The kind of a named compiled file: its content decides, and a name that promises another
// kind is refused. A UsageProblem names the file and what it looks like.
CompiledFileKind checked_compiled_kind(const std::filesystem::path& path, std::string_view bytes);

// Each decoder checks the whole layout and never reads past the end of the bytes.
Plan decode_plan_file(std::string_view bytes);
std::array<ScenarioRecord, record_count> decode_record_file(std::string_view bytes);
std::vector<TrackCell> decode_cell_file(std::string_view bytes);

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
