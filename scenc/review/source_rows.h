// Where in the scenario texts each feature row stands, found by reading the texts again.
// The compiler keeps no line numbers for what it records, so the view links a compiled
// feature to the row of the same kind whose position lies nearest to it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/row_grammar.h"

namespace scenario::scenc {

struct SourceRow {
    RowKind kind;
    std::int32_t position = 0;  // metres: the row's first value
    std::int32_t length = 0;    // metres covered after the position: a slowdown's l
    std::string file;
    int line = 0;

    std::string place() const { return file + ":" + std::to_string(line); }
};

// The rows of both texts, found by the row scanner as the parsers find them. A text
// without "[generale]", or with a row that cannot be read to its end (a text where a number
// is due), is refused with a UsageProblem that names the file and line.
class SourceRows {
  public:
    SourceRows(std::string_view route_text, const std::string& route_name,
               std::string_view train_text, const std::string& train_name);

    // The row of that kind whose reach (its position, or a slowdown's whole stretch with its
    // warning boards ahead) lies nearest to the metre, when its kind's cell rule can put a
    // feature that far from it: 25 m for the rows marked in cell position / 50 (profiles, code
    // drops), 75 m for those marked one cell on (signals, boards, slowdowns).
    const SourceRow* nearest(RowKind kind, std::int64_t metre) const;
    // The station row at exactly that position.
    const SourceRow* station_at(std::int32_t position) const;

    const std::vector<SourceRow>& rows() const { return rows_; }

  private:
    std::vector<SourceRow> rows_;
};

}  // namespace scenario::scenc
