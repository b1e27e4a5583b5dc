#include "compiler/check.h"

#include <algorithm>
#include <charconv>
#include <numeric>

#include "compiler/driver.h"
#include "compiler/errors.h"
#include "compiler/fixes.h"
#include "compiler/row_scanner.h"
#include "compiler/source_files.h"
#include "compiler/warnings.h"

namespace scenario {

namespace {

// A stop at a marker slot in use is not raised as a diagnostic by the compile; the check
// reports it as one.
Diagnostic marker_stop(const std::string& errore_text) {
    Diagnostic stop = error_diagnostic(0, {});
    std::from_chars(errore_text.data(), errore_text.data() + errore_text.size(), stop.number);
    stop.message = error_meaning(stop.number);
    return stop;
}

}  // namespace

// The plan is included, as the package program compiles with it.
Model compile_texts(const SourceText& route, const SourceText& train, const Identity& id,
                    bool keep_going, std::function<void(const Model&)> at_first_row_end,
                    std::vector<TrackCell> spare_cells) {
    MemorySourceFiles sources(route.text, train.text, route.display_name, train.display_name);
    Model model;
    model.cells = std::move(spare_cells);
    model.cells.clear();
    model.route_stem = id.route_stem;
    model.train_number = id.train_number;
    model.keep_going = keep_going;
    model.at_first_row_end = std::move(at_first_row_end);
    const CompileOutcome outcome = compile_model(model, sources, 1);
    if (outcome.status == CompileOutcome::Status::stopped_by_error) {
        model.diagnostics.push_back(marker_stop(outcome.errore_text));
    }
    return model;
}

bool texts_look_swapped(std::string_view route, std::string_view train) {
    return !holds_route_length_words(route) && holds_route_length_words(train);
}

namespace {

// The diagnostics of the compile, with the index of its final error kept in step as some
// are taken out or added.
struct Raised {
    Diagnostics list;
    std::optional<std::size_t> final_index;

    // Takes out the diagnostics `drop` selects, never the final error, and counts them.
    template <typename Drop>
    Consequences remove(Drop drop) {
        Consequences removed;
        Diagnostics kept;
        std::optional<std::size_t> final_kept;
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (final_index != i && drop(list[i])) {
                (list[i].severity == Severity::error ? removed.errors : removed.warnings)++;
                continue;
            }
            if (final_index == i) final_kept = kept.size();
            kept.push_back(std::move(list[i]));
        }
        list = std::move(kept);
        final_index = final_kept;
        return removed;
    }
};

// The errors that compare a row with the track: its position against the track's end, and
// cells already taken, by the row itself or by the code-change points placed around slowdowns.
bool needs_the_track(const Diagnostic& d) {
    if (d.severity != Severity::error) return false;
    const std::int32_t n = d.number;
    return n == error_number::beyond_track || n == error_number::sign_board_taken ||
           n == error_number::code_drop_taken ||
           (n >= error_number::signal_taken && n <= error_number::speed_boards_taken) ||
           (n >= error_number::signal_without_code_room &&
            n <= error_number::no_room_after_slowdown);
}

constexpr const char* checked_without_track =
    "the route text gives no track, so the rest of both texts was checked without one: "
    "positions against the track's end (error 15), cells already taken (errors 6, 7 and 16 "
    "to 21) and the code-change points around slowdowns (errors 11 to 13) were not checked";

// The error that leaves the route without a track: no general block, no length row, or a
// length refused.
bool takes_the_track(const Diagnostic& d) {
    return d.severity == Severity::error && (d.number == error_number::no_general_block ||
                                             d.number == error_number::no_route_length ||
                                             d.number == error_number::route_length_out_of_range);
}

// A route length of 0 (or none written, which reads as 0) leaves 7 km of track, and every row
// past it fails the range test: one error at the length row stands for them all.
std::optional<Diagnostic> short_track_cause(const Model& model) {
    if (!model.has_cells() || model.provisional_track || model.route_length_site.file.empty() ||
        model.records[record_slot::totals].zone_end != 0) {
        return std::nullopt;
    }
    Diagnostic cause = error_diagnostic(error_number::beyond_track, model.route_length_site);
    const std::string written = model.route_length_site.span == 0 ? "empty, read as 0 m" : "0 m";
    cause.message = "the route length is " + written + ", so the track ends at " +
                    std::to_string(model.plan_upper) + " m (cell " +
                    std::to_string(model.cell_upper) +
                    ") and every row past it lies beyond the end of the track";
    cause.consequences = Consequences{};
    return cause;
}

// A row the short track leaves out: beyond it (a negative position fails the range test on
// any track), or past the route's end.
bool follows_from_short_track(const Diagnostic& d) {
    if (d.severity == Severity::warning) return d.name == warning_name::beyond_route;
    return d.number == error_number::beyond_track && !d.consequences && d.position &&
           *d.position >= 0;
}

// Where a diagnostic goes in the list: the route text's, then the train text's, then the
// rest; within a text by line.
std::pair<int, int> order_key(const Diagnostic& d, const SourceText& route,
                              const SourceText& train) {
    const std::string& file = d.location.file;
    const int rank = file.empty()                 ? 2
                     : file == route.display_name ? 0
                     : file == train.display_name ? 1
                                                  : 2;
    return {rank, d.location.line};
}

// The compile's diagnostics with its final error found: until an error ends a row the check is
// the compile itself; past it, the compile's own final error is found by running the compile.
Raised raised_by_check(const Model& checked, const SourceText& route, const SourceText& train,
                       const Identity& id, std::vector<TrackCell>* spare_cells) {
    Raised raised{checked.diagnostics, std::nullopt};
    if (!checked.first_row_end_seen) {
        if (const Diagnostic* last = last_error(raised.list)) {
            raised.final_index = static_cast<std::size_t>(last - raised.list.data());
        }
        return raised;
    }
    Model exact = compile_texts(route, train, id, false, {},
                                spare_cells ? std::move(*spare_cells) : std::vector<TrackCell>{});
    if (spare_cells) *spare_cells = std::move(exact.cells);
    if (const Diagnostic* last = last_error(exact.diagnostics)) {
        const auto same = std::find(raised.list.begin(), raised.list.end(), *last);
        if (same == raised.list.end()) raised.list.push_back(*last);
        raised.final_index = static_cast<std::size_t>(
            (same == raised.list.end() ? raised.list.end() - 1 : same) - raised.list.begin());
    }
    return raised;
}

// What a cause found among the compile's diagnostics leaves out of the warnings and the extra
// diagnostics.
enum class Cascade { none, swapped_texts, short_track };

// Finds the cause of a cascade among the compile's diagnostics, takes out what follows from it
// and counts that on the cause; with no track, takes out the checks that need one.
Cascade fold_raised(Raised& raised, const Model& checked, const SourceText& route,
                    const SourceText& train) {
    if (checked.provisional_track) raised.remove(needs_the_track);
    if (texts_look_swapped(route.text, train.text)) {
        const auto cause = std::find_if(raised.list.begin(), raised.list.end(), [](auto& d) {
            return d.number == error_number::no_route_length && d.severity == Severity::error;
        });
        if (cause != raised.list.end()) {
            cause->message +=
                "; the route text and the train text look swapped: " + train.display_name +
                " holds the route length, and " + route.display_name + " the train's rows";
            cause->consequences = Consequences{};
            const Consequences hidden =
                raised.remove([](const Diagnostic& d) { return !d.consequences; });
            for (Diagnostic& d : raised.list) {
                if (d.consequences) d.consequences = hidden;
            }
            return Cascade::swapped_texts;
        }
    }
    if (checked.provisional_track) {
        for (Diagnostic& d : raised.list) {
            if (takes_the_track(d)) {
                d.notes.push_back(checked_without_track);
                break;
            }
        }
        return Cascade::none;
    }
    // A short track that leaves every row on it is no error of the compile, and no cause.
    const bool rows_beyond = std::any_of(raised.list.begin(), raised.list.end(), [](auto& d) {
        return d.severity == Severity::error && follows_from_short_track(d);
    });
    if (std::optional<Diagnostic> cause = short_track_cause(checked); cause && rows_beyond) {
        cause->consequences = raised.remove(follows_from_short_track);
        raised.list.push_back(std::move(*cause));
        return Cascade::short_track;
    }
    return Cascade::none;
}

// The cause of the cascade, if the list still holds it.
Consequences* cascade_count(CheckResult& result) {
    for (Diagnostic& d : result.diagnostics) {
        if (d.consequences) return &*d.consequences;
    }
    return nullptr;
}

// Counts on the cause of the cascade the diagnostics `follows` selects from `more`, and
// returns the others.
template <typename Follows>
Diagnostics fold_into_cause(CheckResult& result, Diagnostics more, Follows follows) {
    Consequences* count = cascade_count(result);
    if (count == nullptr) return more;
    Diagnostics others;
    for (Diagnostic& d : more) {
        if (!follows(d)) {
            others.push_back(std::move(d));
            continue;
        }
        (d.severity == Severity::error ? count->errors : count->warnings)++;
    }
    return others;
}

}  // namespace

CheckResult check_scenario(const SourceText& route, const SourceText& train, const Identity& id,
                           const CheckOptions& options, TrackStorage* storage) {
    Model checked = compile_texts(route, train, id, true, {},
                                  storage ? std::move(storage->checked) : std::vector<TrackCell>{});
    Raised raised = raised_by_check(checked, route, train, id, storage ? &storage->exact : nullptr);
    checked.diagnostics.clear();
    const Cascade cascade = fold_raised(raised, checked, route, train);

    std::vector<std::size_t> order(raised.list.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return order_key(raised.list[a], route, train) < order_key(raised.list[b], route, train);
    });

    CheckResult result;
    std::size_t errors = 0;
    for (std::size_t index : order) {
        const Diagnostic& diagnostic = raised.list[index];
        const bool is_final = raised.final_index == index;
        if (diagnostic.severity == Severity::error) {
            if (!is_final && options.max_errors != 0 && errors >= options.max_errors) {
                ++result.omitted_errors;
                continue;
            }
            ++errors;
        }
        if (is_final) result.final_error = result.diagnostics.size();
        result.diagnostics.push_back(diagnostic);
    }
    // The warnings need the route's length and the plan option, which both runs share.
    Diagnostics warnings =
        scenario_warnings(route, train, checked, options.warnings, &result.omitted_warnings);
    Diagnostics extra = options.extra;
    if (cascade == Cascade::swapped_texts) {
        // Every warning of texts read as the other kind follows from the swap, and so does any
        // trouble with their names.
        auto everything = [](const Diagnostic&) { return true; };
        warnings = fold_into_cause(result, std::move(warnings), everything);
        extra = fold_into_cause(result, std::move(extra), everything);
        if (Consequences* count = cascade_count(result)) {
            count->warnings += result.omitted_warnings;
            result.omitted_warnings = 0;
        }
    } else if (cascade == Cascade::short_track) {
        warnings = fold_into_cause(result, std::move(warnings), follows_from_short_track);
    }
    add_warnings(result, warnings, route, train);
    if (!extra.empty()) add_warnings(result, extra, route, train);
    attach_fixes(result.diagnostics, route, train, checked);
    if (storage) storage->checked = std::move(checked.cells);
    return result;
}

}  // namespace scenario
