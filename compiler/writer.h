// The compiled files: raw little-endian images of the model's tables. The plan file is
// computed as it is written, straight into a sink, a fixed-size piece at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/identity.h"
#include "compiler/model.h"

namespace scenario {

// Receives a file's bytes in order, one piece at a time.
using ByteSink = std::function<void(std::string_view piece)>;
// Hands one file's bytes, in order, to the sink it is given.
using FileProducer = std::function<void(const ByteSink& sink)>;

// The plan file: the points integrated from the model's plan runs, once for the x column and
// once for the y column, in the same operations as the route has always been integrated.
void write_plan_file(const Model& model, const ByteSink& sink);
// Its length, known without computing a point.
std::size_t plan_file_size(const Model& model);
// The same bytes in memory, for tests and tools; the package run never holds them.
std::string plan_file_bytes(const Model& model);
// The plan file of points already computed (as a reader decodes them).
std::string plan_file_bytes(const Plan& plan);

std::string record_file_bytes(const Model& model);
std::string cell_file_bytes(const Model& model);

// The small compiled files' bytes, and whether the plan file goes with them (it is written
// from the model by write_plan_file).
struct CompiledFiles {
    bool with_plan = false;
    std::string records;
    std::string cells;
};
CompiledFiles build_compiled_files(const Model& model);

// Each compiled file's name (without folder) with the producer of its bytes, in the order
// they are written. The producers read the model and the files, which must outlive them.
std::vector<std::pair<std::string, FileProducer>> compiled_files_by_name(
    const Identity& id, const Model& model, const CompiledFiles& files);

}  // namespace scenario
