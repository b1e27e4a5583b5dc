// Reads compiled files back into model tables: bytes in, tables out. Every decoder checks
// the whole layout (compiler/compiled_layout.h, as the writer uses it) and never reads past
// the end of the bytes.
#pragma once

#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/model.h"

namespace scenario {

// Bytes that do not have the layout of the file they are read as. The message is one line
// and does not name the file; the caller adds that.
class CompiledFileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class CompiledFileKind { plan, records, cells };

// "plan file", "record file", "cell file".
std::string kind_description(CompiledFileKind kind);

// The kind a compiled file's bytes show, from the signatures every compiled file carries:
// a cell file is whole 15-byte cells with the marker in cell 1's val1; a record file's 87
// record lengths chain exactly to its size and record 85 holds the marker in par_a; a plan
// file is a chain of tagged values whose sizes add up exactly to its length. Size alone
// cannot tell them apart. Nothing when no signature fits.
std::optional<CompiledFileKind> compiled_kind_from_content(std::string_view bytes);

Plan decode_plan_file(std::string_view bytes);
std::array<ScenarioRecord, record_count> decode_record_file(std::string_view bytes);
std::vector<TrackCell> decode_cell_file(std::string_view bytes);

}  // namespace scenario
