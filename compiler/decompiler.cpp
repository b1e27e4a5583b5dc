#include "compiler/decompiler.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <set>
#include <span>
#include <vector>

#include "compiler/compiled_layout.h"
#include "compiler/compiled_reader.h"
#include "compiler/driver.h"
#include "compiler/model.h"
#include "compiler/numeric.h"
#include "compiler/recorders.h"
#include "compiler/route_parser.h"
#include "compiler/row_grammar.h"
#include "compiler/row_parsing.h"
#include "compiler/source_files.h"
#include "compiler/writer.h"

namespace scenario {

namespace {

using Cells = std::vector<TrackCell>;
using Records = std::array<ScenarioRecord, record_count>;

std::int64_t written(RowKind kind, std::size_t field, std::int64_t stored) {
    return written_value(row_grammar_of(kind).fields[field].stored, stored).value_or(stored);
}

// A text as a field that the reader gives back unchanged: bare when it has no comma or line
// end, no blank at either end and does not open with a quote (a quote further on is read as
// any other byte); quoted when it holds no quote; nothing otherwise.
std::optional<std::string> text_field(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool bare = !text.empty() && text.find_first_of(",\r\n") == std::string::npos &&
                      text.front() != '"' && !blank(text.front()) && !blank(text.back());
    if (bare) return text;
    if (text.find('"') == std::string::npos) return "\"" + text + "\"";
    return std::nullopt;
}

// The texts being built, and the first thing found that no text can say.
class TextBuilder {
  public:
    // One row: its keyword (the grammar's, unless given) and its fields in the grammar's order.
    void row(RowKind kind, std::initializer_list<std::int64_t> numbers,
             const std::string* text = nullptr, std::string_view keyword = {}) {
        std::string line(keyword.empty() ? row_grammar_of(kind).keyword : keyword);
        for (std::int64_t number : numbers) line += ", " + std::to_string(number);
        if (text != nullptr) {
            const std::optional<std::string> field = text_field(*text);
            if (!field) note_problem("a text holds a double quote, which no text field can carry");
            line += ", " + field.value_or("\"\"");
        }
        line_(line);
    }
    void line_(std::string_view line) {
        text_ += line;
        text_ += "\r\n";
    }
    // `proven`: no text at all can say it, not only the texts being built.
    void note_problem(std::string problem, bool proven = true) {
        if (!problem_.empty()) return;
        problem_ = std::move(problem);
        problem_proven_ = proven;
    }
    std::string text_;
    std::string problem_;
    bool problem_proven_ = false;
};

// ---- Route text ----------------------------------------------------------------------------

// Records 81..83 as progressive_ordina leaves them, for three references read in this order.
std::array<ScenarioRecord, 3> ordered_references(const std::array<ScenarioRecord, 3>& read) {
    Model scratch;
    for (int i = 0; i < 3; ++i) scratch.records[record_slot::progressive_three + i] = read[i];
    progressive_ordina(scratch);
    return {scratch.records[81], scratch.records[82], scratch.records[83]};
}

// The three references as the rows "tre", "due", "uno" must give them: the kilometric value
// less the 100 m that a direction flag of 1 adds, in the order that sorts back into place.
std::array<ScenarioRecord, 3> written_references(const Records& records, TextBuilder& out) {
    std::array<ScenarioRecord, 3> stored{records[81], records[82], records[83]};
    std::array<ScenarioRecord, 3> raw = stored;
    for (ScenarioRecord& r : raw) {
        if (r.position == 1) r.zone_end -= 100;
    }
    std::array<int, 3> order{0, 1, 2};
    do {
        const std::array<ScenarioRecord, 3> read{raw[order[0]], raw[order[1]], raw[order[2]]};
        if (ordered_references(read) == stored) return read;
    } while (std::next_permutation(order.begin(), order.end()));
    out.note_problem("records 81 to 83: no kilometric references sort into this order");
    return raw;
}

void general_block(const Records& records, TextBuilder& out) {
    out.line_("[generale]");
    const ScenarioRecord& totals = records[record_slot::totals];
    out.row(RowKind::route_length, {totals.zone_end});
    const std::array<ScenarioRecord, 3> refs = written_references(records, out);
    const std::array kinds{RowKind::reference_three, RowKind::reference_two,
                           RowKind::reference_one};
    for (int i = 0; i < 3; ++i) {
        out.row(kinds[i], {refs[i].zone_start, refs[i].zone_end, refs[i].position});
    }
    const ScenarioRecord& route = records[record_slot::route_identity];
    out.row(RowKind::background_one, {route.zone_start});
    out.row(RowKind::background_two, {route.position});
    out.row(RowKind::background_three, {route.zone_end});
    const ScenarioRecord& train = records[record_slot::train_identity];
    std::string keyword(row_grammar_of(RowKind::cab_signalling).keyword);
    if (train.position == 9) std::replace(keyword.begin(), keyword.end(), '4', '9');
    out.row(RowKind::cab_signalling, {train.zone_start, train.zone_end}, nullptr, keyword);
}

// A step profile of one byte per cell, written as rows at the cells where it changes; the last
// cells past the profile's end (upper - 2 on) are left as the completion leaves them.
template <typename Byte>
void profile_rows(const Cells& cells, RowKind kind, Byte byte, TextBuilder& out) {
    const std::int64_t last = static_cast<std::int64_t>(cells.size()) - 4;
    for (std::int64_t c = 0; c <= std::max<std::int64_t>(last, 0); ++c) {
        const auto value = byte(cells[static_cast<std::size_t>(c)]);
        if (c == 0 || value != byte(cells[static_cast<std::size_t>(c - 1)])) {
            out.row(kind, {c * cell_length, written(kind, 1, value)});
        }
    }
    // Cells upper - 2 to upper keep 0 unless rows stand at the last position a row may take:
    // the first such row fills up to upper - 3, each further one the next cell with the value
    // before it, and the completion the cell after with the last value.
    const std::int64_t last_row_cell = static_cast<std::int64_t>(cells.size()) - 3;
    if (last_row_cell < 1) return;
    std::int64_t tail = last_row_cell + 2;
    while (tail >= last_row_cell && byte(cells[static_cast<std::size_t>(tail)]) == 0) --tail;
    for (std::int64_t c = last_row_cell; c <= tail; ++c) {
        const auto value = byte(cells[static_cast<std::size_t>(c)]);
        out.row(kind, {last_row_cell * cell_length, written(kind, 1, value)});
    }
}

bool same_bits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// The curves that integrate to the plan's points: at each point the curvature (0 for a
// straight step) whose step gives exactly its bits, then one row per run of equal curvature.
void curve_rows(const Plan& plan, TextBuilder& out) {
    std::vector<double> candidates{0.0};
    for (double k : curve_class_curvature) {
        candidates.push_back(k);
        candidates.push_back(-k);
    }
    struct Run {
        std::int32_t first, last;
        double curvature;
    };
    std::vector<Run> runs;
    double x1 = 0.0, x2 = 0.0, y1 = 1.0, y2 = 0.0;
    double previous = 0.0;
    for (std::int32_t j = 2; j < plan.computed_end && j <= plan.upper(); ++j) {
        const double dx = x1 - x2;
        const double dy = y1 - y2;
        const auto gives = [&](double k) {
            const double x = k == 0.0 ? x1 + dx : x1 + dx + k * dy;
            const double y = k == 0.0 ? y1 + dy : y1 + dy - k * dx;
            return same_bits(x, plan.x[j]) && same_bits(y, plan.y[j]);
        };
        std::optional<double> found;
        if (gives(previous)) found = previous;
        for (std::size_t i = 0; !found && i < candidates.size(); ++i) {
            if (gives(candidates[i])) found = candidates[i];
        }
        if (!found) {
            out.note_problem("plan point " + std::to_string(j) +
                             ": no straight or curve step of any class reaches it");
            break;
        }
        previous = *found;
        x2 = x1;
        y2 = y1;
        x1 = plan.x[j];
        y1 = plan.y[j];
        if (*found == 0.0) continue;
        if (!runs.empty() && runs.back().last == j - 1 && runs.back().curvature == *found) {
            runs.back().last = j;
        } else {
            runs.push_back({j, j, *found});
        }
    }
    const std::string word(row_grammar_of(RowKind::curve).word);
    for (const Run& run : runs) {
        const double k = std::abs(run.curvature);
        const auto at = std::find(curve_class_curvature.begin(), curve_class_curvature.end(), k);
        const char digit = static_cast<char>('1' + (at - curve_class_curvature.begin()));
        const std::string keyword = word + (run.curvature < 0 ? "s" : "d") + digit;
        const std::int64_t start = run.first - 1;
        out.row(RowKind::curve, {start, run.last - start}, nullptr, keyword);
    }
}

// ---- Mountain stretches --------------------------------------------------------------------

// A mountain row as written: its ends in metres and its type field.
struct MountainRow {
    std::int64_t inizio, fine, tipo;
};

// A run of cells with one mountain type.
struct MountainRun {
    std::int64_t first, last;
    std::uint8_t type;
};

// A stretch that starts at most this far behind the previous row's end takes type 3.
constexpr std::int64_t close_gap = 150;
// The range test's reach past a row's start.
constexpr std::int32_t row_reach = 100;
// A stretch that ends before it starts marks no cell: it only moves the end that the next
// row's start is measured from far enough back to keep that row's own type.
constexpr MountainRow no_stretch{0, -1000, 0};

// The type field that stores `type` in a stretch's cells, with or without markers. A field
// above 10 asks for markers and is stored less 10, so an unmarked type above 10 is written as
// the negative number with the same low byte, and a marked type 0 as 266.
std::int64_t mountain_type_field(std::uint8_t type, bool marked) {
    if (marked) return type == 0 ? 266 : type + 10;
    return type <= 10 ? type : type - 256;
}

MountainRow row_over(std::int64_t first, std::int64_t last, std::int64_t tipo) {
    return {first * cell_length, (last + 1) * cell_length, tipo};
}

// The runs of equal mountain type among the cells `in` holds.
std::vector<MountainRun> mountain_runs(const Cells& cells, const std::vector<bool>& in) {
    std::vector<MountainRun> runs;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (!in[c]) continue;
        const auto at = static_cast<std::int64_t>(c);
        if (!runs.empty() && runs.back().last == at - 1 && runs.back().type == cells[c].mountain) {
            runs.back().last = at;
        } else {
            runs.push_back({at, at, cells[c].mountain});
        }
    }
    return runs;
}

// One row per run of cells with the same mountain type, in ascending order: the canonical
// layout, which gives what separate stretches leave. A run whose visible markers (kind 11)
// stand on every 4th cell from its start is written with the marking flag. A stretch that
// starts within 150 m of the previous one's end takes type 3, so a run of another type close
// behind the previous one is written with the ends drawn in as far as their cells allow.
std::vector<MountainRow> stretch_per_run(const Cells& cells) {
    std::vector<bool> typed(cells.size());
    for (std::size_t c = 0; c < cells.size(); ++c) typed[c] = cells[c].mountain != 0;
    const std::vector<MountainRun> runs = mountain_runs(cells, typed);
    std::vector<MountainRow> rows;
    for (std::size_t n = 0; n < runs.size(); ++n) {
        const MountainRun& run = runs[n];
        bool marked = false;
        for (std::int64_t c = run.first + 3; c <= run.last; c += 4) {
            if (cells[static_cast<std::size_t>(c)].kind == cell_kind::mountain_marker)
                marked = true;
        }
        MountainRow row = row_over(run.first, run.last, mountain_type_field(run.type, marked));
        const auto tight = [&](std::size_t i) {
            return i > 0 && runs[i].type != 3 &&
                   (runs[i].first - runs[i - 1].last - 1) * cell_length <= close_gap;
        };
        // round(inizio / 50) and round(fine / 50 - 1) keep their cells 24 m either way.
        if (tight(n)) row.inizio += 24;
        if (n + 1 < runs.size() && tight(n + 1)) row.fine -= 24;
        rows.push_back(row);
    }
    return rows;
}

// Rows for cells that separate stretches cannot give: stretches that overlap, so that markers
// of two phases share a run or stand on cells of another type, or runs too close together to
// keep their own types. First one marked row per chain of markers 4 cells apart, then one
// unmarked row per run of equal type over every cell the stretches or those rows touched,
// which sets the types last. An empty stretch before a row that starts too close behind the
// previous end keeps that row's type. Runs that start past the last start the range test
// allows are written first from that start, and the rows of the runs before them cover the
// cells they spill over.
std::vector<MountainRow> layered_stretches(const Cells& cells, std::int64_t upper) {
    const auto size = static_cast<std::int64_t>(cells.size());
    std::vector<bool> touched(cells.size());
    std::vector<MountainRow> rows;
    std::vector<bool> chained(cells.size());
    const auto marker = [&](std::int64_t c) {
        return cells[static_cast<std::size_t>(c)].kind == cell_kind::mountain_marker;
    };
    for (std::int64_t k = 3; k < size; ++k) {
        if (chained[static_cast<std::size_t>(k)] || !marker(k)) continue;
        std::int64_t last = k;
        while (last + 4 < size && marker(last + 4)) {
            last += 4;
            chained[static_cast<std::size_t>(last)] = true;
        }
        rows.push_back(
            row_over(k - 3, last,
                     mountain_type_field(cells[static_cast<std::size_t>(last)].mountain, true)));
        for (std::int64_t c = k - 3; c <= last; ++c) touched[static_cast<std::size_t>(c)] = true;
    }
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c].mountain != 0) touched[c] = true;
    }

    const std::int64_t last_start = upper - row_reach / cell_length;
    std::vector<MountainRun> runs = mountain_runs(cells, touched);
    const auto past_last_start = [&](const MountainRun& run) { return run.first > last_start; };
    if (last_start >= 0 && std::any_of(runs.begin(), runs.end(), past_last_start)) {
        for (std::int64_t c = last_start; c < size; ++c)
            touched[static_cast<std::size_t>(c)] = true;
        runs = mountain_runs(cells, touched);
    }
    std::vector<MountainRun> order;
    for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
        if (past_last_start(*run)) order.push_back({last_start, run->last, run->type});
    }
    for (const MountainRun& run : runs) {
        if (!past_last_start(run)) order.push_back(run);
    }
    for (const MountainRun& run : order) {
        const MountainRow row = row_over(run.first, run.last, mountain_type_field(run.type, false));
        if (run.type != 3 && !rows.empty() && row.inizio - rows.back().fine <= close_gap) {
            rows.push_back(no_stretch);
        }
        rows.push_back(row);
    }
    return rows;
}

// Whether the rows, read in order as the route parser reads them, pass its range test and
// give the cells' mountain types and their visible markers. A cell that a later feature took
// may have held a marker or not.
bool gives_mountains(const Cells& cells, std::int64_t upper, const std::vector<MountainRow>& rows) {
    Model scratch;
    scratch.cells.resize(cells.size());
    scratch.cell_upper = static_cast<std::int32_t>(upper);
    for (const MountainRow& row : rows) {
        auto inizio = static_cast<std::int32_t>(row.inizio);
        auto fine = static_cast<std::int32_t>(row.fine);
        auto tipo = static_cast<std::int32_t>(row.tipo);
        if (!within_track(scratch, inizio, row_reach)) return false;
        memo_montagna(scratch, inizio, fine, tipo);
    }
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const TrackCell& want = cells[c];
        const TrackCell& got = scratch.cells[c];
        if (got.mountain != want.mountain) return false;
        if (want.is_free() && got.kind != want.kind) return false;
    }
    return true;
}

// The mountain stretches: one per run where that gives the cells, else the layered rows. What
// neither gives shows in the comparison of the rebuilt files.
void mountain_rows(const Cells& cells, TextBuilder& out) {
    const auto upper = static_cast<std::int64_t>(cells.size()) - 1;
    std::vector<MountainRow> rows = stretch_per_run(cells);
    if (!gives_mountains(cells, upper, rows)) rows = layered_stretches(cells, upper);
    for (const MountainRow& row : rows)
        out.row(RowKind::mountain, {row.inizio, row.fine, row.tipo});
}

// A packed board speed val = round(second / 5 + first x 20), split back into (first, second):
// the same speed on both tracks when it fits, else the left one alone, else the nearest pair.
std::pair<std::int64_t, std::int64_t> board_speeds(std::int16_t val) {
    const std::int64_t v = val;
    if ((v * 5) % 101 == 0) return {v * 5 / 101, v * 5 / 101};
    return {floor_div(v, 20), floor_mod(v, 20) * 5};
}

void speed_board_rows(const Cells& cells, TextBuilder& out) {
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const TrackCell& cell = cells[c];
        if (cell.kind != cell_kind::speed_boards) continue;
        const auto [vas, vad] = board_speeds(cell.val1);
        const auto [vbs, vbd] = board_speeds(cell.val2);
        const auto [vcs, vcd] = board_speeds(cell.val3);
        out.row(RowKind::speed_board,
                {(static_cast<std::int64_t>(c) - 1) * cell_length, vas, vbs, vcs,
                 floor_div(cell.val4, 10), vad, vbd, vcd, floor_mod(cell.val4, 10)});
    }
}

// Sign boards in the order of their record slots (80, 79, ...), as the parser numbers them.
// Returns the lowest slot they take.
int sign_board_rows(const Cells& cells, const Records& records, TextBuilder& out) {
    std::map<int, std::size_t, std::greater<>> cell_of_slot;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c].kind == cell_kind::sign_board) cell_of_slot.emplace(cells[c].val1, c);
    }
    int slot = record_slot::last_sign_board;
    for (const auto& [board_slot, c] : cell_of_slot) {
        if (board_slot != slot || slot < 1) {
            out.note_problem("cell " + std::to_string(c) + ": a sign board names record " +
                                 std::to_string(board_slot) + ", where record " +
                                 std::to_string(slot) + " was due",
                             // A station's stop cell may have covered a board's cell.
                             false);
            break;
        }
        out.row(RowKind::sign_board, {(static_cast<std::int64_t>(c) - 1) * cell_length},
                &records[static_cast<std::size_t>(slot)].text);
        --slot;
    }
    return slot + 1;
}

std::string route_text(const Cells& cells, const Records& records, const std::optional<Plan>& plan,
                       TextBuilder& out) {
    general_block(records, out);
    out.line_("[pendenze]");
    profile_rows(
        cells, RowKind::gradient, [](const TrackCell& c) { return c.gradient; }, out);
    if (plan) {
        out.line_("[curve]");
        curve_rows(*plan, out);
    }
    out.line_("[montagne]");
    mountain_rows(cells, out);
    out.line_("[indicazioni]");
    speed_board_rows(cells, out);
    out.line_("[cartelli]");
    sign_board_rows(cells, records, out);
    out.line_("[fine]");
    return out.text_;
}

// ---- Train text ----------------------------------------------------------------------------

void station_row(const ScenarioRecord& r, bool first_station, TextBuilder& out) {
    const std::int64_t p = r.position;
    std::int64_t length = 0;
    std::int64_t opt_d = r.opt_d;
    if (r.kind >= 5 && r.kind <= 8) {
        length = p - r.zone_start;
    } else {
        length = 2 * (p - r.zone_start);
        // The first station's end extension is applied and then stored as 0: its stretch end
        // shows it.
        if (first_station) opt_d = r.zone_end - (p + length / 2) == 50 ? 1 : 0;
    }
    const std::int64_t t = r.time_s;
    out.row(RowKind::station,
            {p, r.kind, length, r.opt_a, r.opt_e, opt_d, r.par_a, r.par_b, r.opt_b, r.par_c,
             r.par_d, r.par_e, r.opt_c, t / 3600, (t % 3600) / 60, t % 60},
            &r.text);
}

// The code sx x 3 + dx modulo 128 that the approach byte (code x 10 + j, low 8 bits) of cell
// s - 2j gives: 10q + j = a (mod 256), so q = (a - j) / 2 x 77 (mod 128), 77 being 5's
// inverse; nothing when a - j is odd, which no code gives.
std::optional<std::int64_t> approach_residue(const Cells& cells, std::size_t s, std::int64_t j) {
    const std::int64_t a = cells[s - static_cast<std::size_t>(2 * j)].approach;
    if ((a - j) % 2 != 0) return std::nullopt;
    return floor_mod(floor_div(a - j, 2) * 77, 128);
}

// The approach cells of the signal in cell s that no row written after it wrote over.
std::vector<std::int64_t> own_approach_steps(std::size_t s, const std::set<std::size_t>& covered) {
    std::vector<std::int64_t> steps;
    for (std::int64_t j = 1; j <= 4; ++j) {
        const std::int64_t c = static_cast<std::int64_t>(s) - 2 * j;
        if (c >= 0 && !covered.contains(static_cast<std::size_t>(c))) steps.push_back(j);
    }
    return steps;
}

// The approach code sx x 3 + dx of the signal in cell s, from the first of its approach cells
// that no row written after it wrote over; the smallest code that also leaves
// val4 = rapp x 10 + code whole.
std::optional<std::int64_t> approach_code(const Cells& cells, std::size_t s,
                                          const std::set<std::size_t>& covered, std::int16_t val4) {
    const std::vector<std::int64_t> steps = own_approach_steps(s, covered);
    if (steps.empty()) return std::nullopt;
    const std::optional<std::int64_t> base = approach_residue(cells, s, steps.front());
    if (!base) return std::nullopt;
    std::optional<std::int64_t> best;
    for (std::int64_t q = *base - 128 * 80; q <= *base + 128 * 80; q += 128) {
        if (floor_mod(val4 - q, 10) != 0) continue;
        if (!best || std::abs(q) < std::abs(*best)) best = q;
    }
    return best;
}

// Whether the code the signal in cell s is given writes the bytes that its own approach cells
// (those no row written after it wrote over) hold.
bool signal_bytes_agree(const Cells& cells, std::size_t s, const std::set<std::size_t>& covered) {
    const std::vector<std::int64_t> steps = own_approach_steps(s, covered);
    if (steps.empty()) return true;
    const std::optional<std::int64_t> code = approach_code(cells, s, covered, cells[s].val4);
    if (!code) return false;
    return std::all_of(steps.begin(), steps.end(), [&](std::int64_t j) {
        return floor_mod(*code * 10 + j, 256) ==
               cells[s - static_cast<std::size_t>(2 * j)].approach;
    });
}

// The signal row that gives cell s, its code read from its own approach cells.
std::array<std::int64_t, 11> signal_row(const Cells& cells, std::size_t s,
                                        const std::set<std::size_t>& covered) {
    const TrackCell& cell = cells[s];
    const std::int16_t val1 = cell.val1;
    const std::int16_t val2 = cell.val2;
    const std::int64_t code =
        approach_code(cells, s, covered, cell.val4).value_or(floor_mod(cell.val4, 10));
    const std::int64_t rapp = floor_div(cell.val4 - code, 10);
    std::int64_t sx = floor_div(code, 3);
    std::int64_t dx = floor_mod(code, 3);
    std::int64_t tempo = 0;
    if (cell.signal_time != 0) {
        sx = 2;
        dx = code - 6;
        // A time of 1 to 100 is raised to 101; 256 more keeps the low byte.
        tempo = cell.signal_time <= 100 ? cell.signal_time + 256 : cell.signal_time;
    }
    return {(static_cast<std::int64_t>(s) - 1) * cell_length,
            sx,
            floor_div(val1, 10),
            floor_div(val2, 10),
            floor_div(cell.val3, 10),
            rapp,
            dx,
            floor_mod(val1, 10),
            floor_mod(val2, 10),
            floor_mod(cell.val3, 10),
            tempo};
}

// The approach cells a station marks before its stop cell, with the byte 80 + k it writes into
// the k-th cell back: stations of the kinds below 25 but 5 and 6, and only cells above 1, as
// the train parser marks them.
std::vector<std::pair<std::size_t, std::uint8_t>> station_approach_bytes(const ScenarioRecord& r,
                                                                         std::size_t cell_count) {
    std::vector<std::pair<std::size_t, std::uint8_t>> marks;
    if (r.kind >= 25 || r.kind == 5 || r.kind == 6) return marks;
    for (int k = 1; k <= 4; ++k) {
        const double quotient = static_cast<double>(r.zone_end) / cell_length - 1.0 - k;
        if (quotient <= 1) continue;
        const std::int64_t c = round_half_even(quotient);
        if (c < static_cast<std::int64_t>(cell_count)) {
            marks.emplace_back(static_cast<std::size_t>(c), static_cast<std::uint8_t>(80 + k));
        }
    }
    return marks;
}

bool station_bytes_agree(const Cells& cells, const ScenarioRecord& r,
                         const std::set<std::size_t>& covered) {
    const auto marks = station_approach_bytes(r, cells.size());
    return std::all_of(marks.begin(), marks.end(), [&](const auto& mark) {
        return covered.contains(mark.first) || cells[mark.first].approach == mark.second;
    });
}

// One train row that writes approach bytes: a station (its record number) or a signal.
struct ApproachRow {
    int station = 0;  // 0 for a signal
    std::array<std::int64_t, 11> signal{};
};

// Where approach cells of signals and stations meet, the bytes of the row written last stay.
// The write order is worked out from the last row back: the last is the highest signal whose
// own bytes (those no row after it wrote over) agree on one code, else the last station not yet
// placed when its own bytes are 81 to 84, else the highest signal left. Stations keep their
// order among themselves, as their numbers and gaps depend on it. So stations come first and
// signals in ascending order unless the cells show otherwise.
std::vector<ApproachRow> approach_rows_in_write_order(const Cells& cells, const Records& records,
                                                      int station_count) {
    std::vector<std::size_t> signals;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c].kind == cell_kind::signal) signals.push_back(c);
    }
    std::vector<ApproachRow> rows;  // the last written first
    std::vector<bool> placed(signals.size());
    std::size_t signals_left = signals.size();
    int next_station = station_count;  // the last station not yet placed
    std::set<std::size_t> covered;     // approach cells of the rows written after the one at hand
    while (signals_left > 0 || next_station > 0) {
        std::optional<std::size_t> last;
        for (std::size_t n = signals.size(); !last && n-- > 0;) {
            if (!placed[n] && signal_bytes_agree(cells, signals[n], covered)) last = n;
        }
        const bool station_last =
            !last && next_station > 0 &&
            (signals_left == 0 ||
             station_bytes_agree(cells, records[static_cast<std::size_t>(next_station)], covered));
        if (station_last) {
            const ScenarioRecord& r = records[static_cast<std::size_t>(next_station)];
            for (const auto& mark : station_approach_bytes(r, cells.size())) {
                covered.insert(mark.first);
            }
            rows.push_back({next_station, {}});
            --next_station;
            continue;
        }
        for (std::size_t n = signals.size(); !last && n-- > 0;) {
            if (!placed[n]) last = n;
        }
        placed[*last] = true;
        --signals_left;
        const std::size_t s = signals[*last];
        rows.push_back({0, signal_row(cells, s, covered)});
        for (std::int64_t j = 1; j <= 4; ++j) {
            const std::int64_t c = static_cast<std::int64_t>(s) - 2 * j;
            if (c >= 0) covered.insert(static_cast<std::size_t>(c));
        }
    }
    std::reverse(rows.begin(), rows.end());
    return rows;
}

// The end cell (kind 2) of each slowdown start cell (kind 3), in ascending order of the
// starts. The cells do not tell which end belongs to which start, but any pairing of starts
// with ends of the same speed and flag marks the same cells: each start takes the first end
// after it that no earlier start took, so that slowdowns that overlap keep all their ends; a
// start left without one takes the nearest free end before it (a negative length), or is its
// own end when it hides it.
std::vector<std::pair<std::size_t, std::size_t>> slowdown_ends(const Cells& cells) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    std::vector<std::size_t> ends;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (cells[c].kind == cell_kind::slowdown_start) pairs.emplace_back(c, c);
        if (cells[c].kind == cell_kind::slowdown_end) ends.push_back(c);
    }
    std::vector<bool> taken(ends.size());
    const auto same = [&](std::size_t b, std::size_t e) {
        return cells[e].val1 == cells[b].val1 && cells[e].val3 == cells[b].val3;
    };
    std::vector<bool> paired(pairs.size());
    for (std::size_t n = 0; n < pairs.size(); ++n) {
        const std::size_t b = pairs[n].first;
        for (std::size_t i = 0; i < ends.size(); ++i) {
            if (taken[i] || ends[i] < b || !same(b, ends[i])) continue;
            taken[i] = paired[n] = true;
            pairs[n].second = ends[i];
            break;
        }
    }
    for (std::size_t n = 0; n < pairs.size(); ++n) {
        const std::size_t b = pairs[n].first;
        for (std::size_t i = ends.size(); !paired[n] && i-- > 0;) {
            if (taken[i] || ends[i] > b || !same(b, ends[i])) continue;
            taken[i] = paired[n] = true;
            pairs[n].second = ends[i];
        }
    }
    return pairs;
}

// A slowdown from its start and end cells; an advance point 24 cells before and warning
// boards 25 to 28 cells before tell f_ta.
void slowdown_rows(const Cells& cells, TextBuilder& out) {
    for (const auto& [b, end] : slowdown_ends(cells)) {
        const TrackCell& start = cells[b];
        bool warnings = b >= 28;
        for (std::size_t i = 0; warnings && i < 4; ++i) {
            const TrackCell& w = cells[b - 25 - i];
            warnings = w.kind == cell_kind::slowdown_warning && w.val1 == static_cast<int>(i + 1);
        }
        const std::int64_t x = (static_cast<std::int64_t>(b) - 1) * cell_length;
        const std::int64_t length =
            (static_cast<std::int64_t>(end) - static_cast<std::int64_t>(b)) * cell_length;
        out.row(RowKind::slowdown,
                {x, start.val1, length, start.val3, warnings ? 1 : 0, start.val2});
    }
}

std::string train_text(const Cells& cells, const Records& records, int first_board_slot,
                       const std::map<std::size_t, std::int64_t>& drops, TextBuilder& out) {
    out.line_("[generale]");
    const ScenarioRecord& totals = records[record_slot::totals];
    const ScenarioRecord& train = records[record_slot::train_identity];
    out.row(RowKind::car_count, {totals.position});
    out.row(RowKind::braked_mass, {totals.zone_start});
    out.row(RowKind::sand, {train.par_a});
    out.row(RowKind::start_clock, {train.par_c, train.par_d, train.par_e});
    out.line_("[aderenze]");
    profile_rows(
        cells, RowKind::adhesion, [](const TrackCell& c) { return c.adhesion; }, out);
    out.line_("[vel_limite]");
    profile_rows(
        cells, RowKind::speed_limit, [](const TrackCell& c) { return c.speed_limit; }, out);
    int station_count = 0;
    while (station_count + 1 < first_board_slot &&
           !(records[station_count + 1] == ScenarioRecord{}))
        ++station_count;
    const std::vector<ApproachRow> rows =
        approach_rows_in_write_order(cells, records, station_count);
    const auto write = [&](const ApproachRow& row) {
        if (row.station != 0) {
            station_row(records[static_cast<std::size_t>(row.station)], row.station == 1, out);
            return;
        }
        const auto& v = row.signal;
        out.row(RowKind::signal,
                {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]});
    };
    // Stations written after a signal follow it among the signals. No slowdown or signal row
    // lands on a station's stop cell (its kind is the station's), so moving a station past the
    // slowdowns changes nothing.
    std::size_t n = 0;
    out.line_("[stazioni]");
    for (; n < rows.size() && rows[n].station != 0; ++n) write(rows[n]);
    out.line_("[rallentamenti]");
    slowdown_rows(cells, out);
    out.line_("[segnali]");
    for (; n < rows.size(); ++n) write(rows[n]);
    out.line_("[codici]");
    for (const auto& [c, value] : drops) {
        out.row(RowKind::code_drop, {static_cast<std::int64_t>(c) * cell_length, value});
    }
    out.line_("[fine]");
    return out.text_;
}

// ---- Comparison ----------------------------------------------------------------------------

struct Rebuilt {
    bool ready = false;
    std::string failure;  // why nothing was built
    std::optional<std::string> plan;
    std::string records;
    std::string cells;
};

Rebuilt rebuild(const Identity& id, std::int32_t plan_option, const std::string& route,
                const std::string& train) {
    Model model;
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    MemorySourceFiles sources(route, train);
    const CompileOutcome outcome = memorizza_percorso(model, sources, plan_option);
    Rebuilt rebuilt;
    if (outcome.status == CompileOutcome::Status::no_cell_table) {
        rebuilt.failure = "the texts found give no track";
        return rebuilt;
    }
    if (outcome.status == CompileOutcome::Status::stopped_by_error) {
        rebuilt.failure = "the texts found stop the compile with error " + outcome.errore_text;
        return rebuilt;
    }
    rebuilt.ready = true;
    if (outcome.files.with_plan) rebuilt.plan = plan_file_bytes(model);
    rebuilt.records = outcome.files.records;
    rebuilt.cells = outcome.files.cells;
    return rebuilt;
}

std::size_t first_difference(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    return static_cast<std::size_t>(
        std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin()).first -
        a.begin());
}

// The member of a cell or record (without its text) at a byte offset.
template <typename Visit>
std::string member_at(std::size_t offset, Visit visit_members, const char* const* names) {
    std::size_t at = 0;
    int index = 0;
    std::string found = "?";
    visit_members([&](auto member) {
        using Field = compiled_layout::member_type<decltype(member)>;
        const std::size_t width = compiled_layout::stored_width<Field>();
        if (offset >= at && offset < at + width) found = names[index];
        at += width;
        ++index;
    });
    return found;
}

constexpr const char* cell_member_names[] = {"kind",        "val1",        "val2",     "val3",
                                             "val4",        "signal_time", "approach", "mountain",
                                             "speed_limit", "gradient",    "adhesion"};
constexpr const char* record_member_names[] = {
    "kind",  "zone_start", "zone_end", "position", "opt_a", "text",  "par_a", "par_b",
    "par_c", "par_d",      "par_e",    "opt_b",    "opt_c", "opt_d", "opt_e", "time_s"};

std::string cell_place(std::size_t offset) {
    const std::size_t cell = offset / compiled_layout::cell_size;
    const std::size_t metre = cell * cell_length;
    return "cell " + std::to_string(cell) + " (metres " + std::to_string(metre) + " to " +
           std::to_string(metre + cell_length - 1) + "), " +
           member_at(
               offset % compiled_layout::cell_size,
               [](auto visit) { compiled_layout::visit_cell_members(visit); }, cell_member_names);
}

std::string record_place(std::string_view bytes, std::size_t offset) {
    std::size_t at = 0;
    for (int r = 0; r < record_count; ++r) {
        const std::size_t length_at = at + compiled_layout::record_text_length_offset;
        if (length_at + 2 > bytes.size()) break;
        const std::size_t text = static_cast<std::uint8_t>(bytes[length_at]) +
                                 256 * static_cast<std::uint8_t>(bytes[length_at + 1]);
        const std::size_t size = compiled_layout::record_size_without_text + text;
        if (offset < at + size) {
            std::size_t inside = offset - at;
            if (inside >= compiled_layout::record_par_a_offset) {
                if (inside < compiled_layout::record_par_a_offset + text) {
                    return "record " + std::to_string(r) + ", text";
                }
                inside -= text;
            }
            return "record " + std::to_string(r) + ", " +
                   member_at(
                       inside, [](auto visit) { compiled_layout::visit_record_members(visit); },
                       record_member_names);
        }
        at += size;
    }
    return "the end of the file";
}

std::string plan_place(std::string_view bytes, std::size_t offset) {
    // Both columns have the same number of points: count them first.
    std::vector<std::size_t> starts;
    for (std::size_t at = 0; at + 2 <= bytes.size();) {
        starts.push_back(at);
        const auto tag = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes[at]) +
                                                    256 * static_cast<std::uint8_t>(bytes[at + 1]));
        const std::size_t size = compiled_layout::plan_value_size(tag);
        if (size == 0) break;
        at += size;
    }
    const std::size_t points = starts.size() / 2;
    const auto value = std::upper_bound(starts.begin(), starts.end(), offset) - starts.begin() - 1;
    if (points == 0 || value < 0) return "its start";
    const std::size_t index = static_cast<std::size_t>(value);
    return std::string(index < points ? "x" : "y") + " of point " + std::to_string(index % points);
}

// The first place where the rebuilt files differ from the given ones, in one line.
std::string compare(const Identity& id, const CompiledSet& given, const Rebuilt& rebuilt) {
    if (!rebuilt.ready) return rebuilt.failure;
    struct File {
        std::string name;
        std::string_view given, rebuilt;
        int kind;
    };
    std::vector<File> files;
    if (given.plan) {
        files.push_back({file_name::plan(id), *given.plan,
                         rebuilt.plan ? std::string_view(*rebuilt.plan) : std::string_view{}, 0});
    }
    files.push_back({file_name::records(id), given.records, rebuilt.records, 1});
    files.push_back({file_name::cells(id), given.cells, rebuilt.cells, 2});
    for (const File& file : files) {
        if (file.given == file.rebuilt) continue;
        const std::size_t at = first_difference(file.given, file.rebuilt);
        const std::string place = file.kind == 0   ? plan_place(file.given, at)
                                  : file.kind == 1 ? record_place(file.given, at)
                                                   : cell_place(at);
        std::string detail;
        if (at >= file.given.size() || at >= file.rebuilt.size()) {
            detail = "the texts give a file of " + std::to_string(file.rebuilt.size()) +
                     " bytes, the file holds " + std::to_string(file.given.size());
        } else {
            detail = "the texts give byte " +
                     std::to_string(static_cast<std::uint8_t>(file.rebuilt[at])) +
                     ", the file holds " +
                     std::to_string(static_cast<std::uint8_t>(file.given[at]));
        }
        return file.name + ": " + place + " (byte " + std::to_string(at) + "): " + detail;
    }
    return "";
}

// Cells whose code-change point no row of the texts explains yet: the placement pass gives
// some, the code-drop rows the rest. Returns whether a drop was added.
bool add_missing_drops(const Cells& given, const std::string& rebuilt_cells,
                       std::map<std::size_t, std::int64_t>& drops) {
    const Cells rebuilt = decode_cell_file(rebuilt_cells);
    bool added = false;
    for (std::size_t c = 0; c < given.size() && c < rebuilt.size(); ++c) {
        const TrackCell& want = given[c];
        if (want.kind != cell_kind::code_change && want.kind != cell_kind::code_change_plain) {
            continue;
        }
        const TrackCell& got = rebuilt[c];
        const bool same = got.kind == want.kind &&
                          (want.kind != cell_kind::code_change || c == 1 || got.val1 == want.val1);
        if (same || drops.contains(c)) continue;
        drops[c] = want.kind == cell_kind::code_change ? want.val1 : 0;
        added = true;
    }
    return added;
}

}  // namespace

DecompiledScenario decompile(const CompiledSet& files) {
    const Records records = decode_record_file(files.records);
    Cells cells = decode_cell_file(files.cells);
    // Cell 1's first two values hold the markers, stamped over whatever a row left there; a
    // compile that ends without an error left 0 under them.
    if (cells.size() > 1) cells[1].val1 = cells[1].val2 = 0;
    std::optional<Plan> plan;
    if (files.plan) plan = decode_plan_file(*files.plan);

    DecompiledScenario result;
    result.identity = {records[record_slot::route_identity].text,
                       records[record_slot::train_identity].text};
    result.plan_option = files.plan ? 1 : 0;

    TextBuilder route;
    result.route_text = route_text(cells, records, plan, route);
    TextBuilder board_slots;  // only for the lowest board slot, the rows are in the route
    const int first_board_slot = sign_board_rows(cells, records, board_slots);

    std::map<std::size_t, std::int64_t> drops;
    Rebuilt rebuilt;
    TextBuilder train;
    // The code-drop rows are those code-change points the placement pass does not give; a
    // drop can move a point of the pass, so a few rounds settle them.
    for (int round = 0; round < 4; ++round) {
        train = TextBuilder{};
        result.train_text = train_text(cells, records, first_board_slot, drops, train);
        rebuilt =
            rebuild(result.identity, result.plan_option, result.route_text, result.train_text);
        if (!rebuilt.ready || !add_missing_drops(cells, rebuilt.cells, drops)) break;
    }
    const TextBuilder& first = !route.problem_.empty() ? route : train;
    result.problem = first.problem_;
    const std::string difference = compare(result.identity, files, rebuilt);
    if (difference.empty()) {
        result.problem.clear();
    } else if (result.problem.empty()) {
        result.problem = difference;
    }
    // Files that differ only show that these texts fall short: another order of rows, or rows
    // whose cells a later row covered, might still give them.
    result.no_text_gives =
        !result.problem.empty() && !first.problem_.empty() && first.problem_proven_;
    return result;
}

}  // namespace scenario
