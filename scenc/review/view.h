// scenc view: one self-contained HTML page to move along a compiled scenario in a browser.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <nlohmann/json.hpp>
#include <vector>

#include "compiler/model.h"
#include "scenc/review/source_rows.h"

namespace scenario::scenc {

struct ViewRequest {
    std::vector<std::filesystem::path> inputs;  // one folder, or the compiled files
    std::filesystem::path output;
    std::vector<std::filesystem::path> texts;  // ROUTE and TRAIN, or none
};

// Returns 0, 2 for a missing or wrong input, 3 when the page cannot be written.
int run_view(const ViewRequest& request, std::ostream& out, std::ostream& err);

// The plan points (metre indexes) that keep the line within tolerance metres of every
// dropped point, ends included: the ground plan thinned for one zoom range.
std::vector<std::int32_t> thinned_plan(const Plan& plan, double tolerance);

// What the page draws, every value already in the author's units and as shown text. With
// rows, each feature also names the file and line of the row that produced it.
nlohmann::json view_data(const Model& model, const Plan& plan, const SourceRows* rows);

// The page with the data inlined; it needs nothing else to open.
std::string view_page(const Model& model, const Plan& plan, const SourceRows* rows);

// The page around view data already made (its JSON text, or "null" for none yet). With a
// live setting (JSON: the server's event and data paths), the page follows the server.
std::string view_page_with_data(const std::string& data_json,
                                const std::string& live_json = "null");

}  // namespace scenario::scenc
