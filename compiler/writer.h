// The compiled files: raw little-endian images of the model's tables, built in memory.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/identity.h"
#include "compiler/model.h"

namespace scenario {

std::string plan_file_bytes(const Model& model);
std::string record_file_bytes(const Model& model);
std::string cell_file_bytes(const Model& model);

// The bytes of the three compiled files; the plan file only when the plan was asked for.
struct CompiledFiles {
    std::optional<std::string> plan;
    std::string records;
    std::string cells;
};
CompiledFiles build_compiled_files(const Model& model);

// Each compiled file's name (without folder) with its bytes, in the order they are written.
std::vector<std::pair<std::string, std::string_view>> compiled_files_by_name(
    const Identity& id, const CompiledFiles& files);

}  // namespace scenario
