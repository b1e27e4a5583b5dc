// Reads the compiled files back into model pieces, for dump and plot.
#pragma once

#include <array>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

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

// A compiled scenario as read back: records and cells always, the plan when its file was
// given or found. The model's cell_upper and plan_upper match the tables.
struct CompiledScenario {
    Model model;
    std::filesystem::path records_file;
    std::filesystem::path cells_file;
    std::optional<std::filesystem::path> plan_file;
};

// From one folder (its only record file names the other two by the identity it holds) or
// from the files themselves. Throws UsageProblem with a one-line message.
CompiledScenario load_compiled_scenario(const std::vector<std::filesystem::path>& inputs);

}  // namespace scenario::scenc
