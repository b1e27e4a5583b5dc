// Fuzzes the compiled-file reader that dump, diff, plot and view use. Input: one byte whose
// value modulo 3 picks the decoder (plan, record or cell file), then the file's bytes. Any
// bytes either decode into tables that the writer turns back into exactly those bytes, or
// end with a one-line message; the sanitizers catch any read past the buffer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compiled_reader.h"
#include "compiler/writer.h"
#include "fuzz/fuzz_invariants.h"

using namespace scenario;
using fuzzing::require;

namespace {

// The writer's bytes for the decoded tables.
std::string rewritten(CompiledFileKind kind, std::string_view bytes) {
    Model model;
    switch (kind) {
        case CompiledFileKind::plan:
            return plan_file_bytes(decode_plan_file(bytes));
        case CompiledFileKind::records:
            model.records = decode_record_file(bytes);
            return record_file_bytes(model);
        case CompiledFileKind::cells:
            model.cells = decode_cell_file(bytes);
            return cell_file_bytes(model);
    }
    return {};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const auto kind = static_cast<CompiledFileKind>(data[0] % 3);
    const std::string_view bytes = fuzzing::as_text(data + 1, size - 1);
    // Telling the kind from the content looks only at signatures, never past the end.
    (void)compiled_kind_from_content(bytes);
    try {
        require(rewritten(kind, bytes) == bytes,
                "an accepted compiled file is exactly what the writer makes of its tables");
    } catch (const CompiledFileError& error) {
        const std::string_view message = error.what();
        require(!message.empty() && message.find('\n') == std::string_view::npos,
                "a refused compiled file gets one line saying why");
    }
    return 0;
}
