// Fuzzes scenc check: the keep-going check of a route and train pair (input layout:
// split_compile_input, the first byte's lowest three bits giving the error limit, 0 for none),
// rendered in one of the output formats, which bits 3 and 4 of the first byte choose (bit 5
// adds the human format's colours). Every input ends with a list of diagnostics, each at a
// place inside its text, with the compile's final error marked exactly when the compile fails;
// the safe fixes of the diagnostics, applied as `scenc check --fix` applies them, change no
// byte outside their ranges and no row outside the rows they fix.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/check.h"
#include "compiler/field_reader.h"
#include "compiler/fixes.h"
#include "fuzz/fuzz_invariants.h"
#include "scenc/lsp/lsp_features.h"
#include "scenc/reports/check_report.h"

using namespace scenario;
using fuzzing::require;

namespace {

// One input in compile_share also runs the plain compile and the check without a limit, to
// compare with them; both cost as much as the check itself.
constexpr std::uint32_t compile_share = 64;

struct CheckedText {
    const SourceText& source;
    int lines;
    // Diagnostics come in line order within each text: each line is found from the last.
    LineFinder finder;
};

// A place is tied to no text (the placement pass), or names a text and lies inside it: a field
// within its line, or the place just past a line's end, where a short row ends.
void check_place(const SourceLocation& place, CheckedText& route, CheckedText& train) {
    if (place.file.empty()) {
        require(place.line == 0 && place.column == 0, "a place tied to no text has no line");
        return;
    }
    CheckedText* text = place.file == route.source.display_name   ? &route
                        : place.file == train.source.display_name ? &train
                                                                  : nullptr;
    require(text != nullptr, "a place names the route or the train text");
    // A fault of the whole text (no [generale] in it, say) names only the text.
    if (place.line == 0) {
        require(place.column == 0 && place.span == 0, "a place without a line has no column");
        return;
    }
    require(place.line >= 1 && place.line <= text->lines, "a place's line lies in its text");
    const auto length = static_cast<int>(text->finder.line(text->source.text, place.line).size());
    require(place.column >= 1 && place.column <= length + 1, "a place's column lies in its line");
    require(place.span >= 0 && place.column + place.span <= length + 2,
            "a place's span ends within its line");
}

std::size_t error_count(const Diagnostics& diagnostics) {
    return static_cast<std::size_t>(
        std::count_if(diagnostics.begin(), diagnostics.end(),
                      [](const Diagnostic& d) { return d.severity == Severity::error; }));
}

void check_result(const CheckResult& result, std::size_t max_errors, CheckedText& route,
                  CheckedText& train) {
    for (const Diagnostic& diagnostic : result.diagnostics) {
        check_place(diagnostic.location, route, train);
        if (diagnostic.related) check_place(*diagnostic.related, route, train);
    }
    const std::size_t errors = error_count(result.diagnostics);
    require(result.final_error.has_value() == (errors + result.omitted_errors > 0),
            "a check with errors marks the final one, and only then");
    if (result.final_error) {
        require(*result.final_error < result.diagnostics.size() &&
                    result.diagnostics[*result.final_error].severity == Severity::error,
                "the final error is an error in the list");
    }
    if (max_errors == 0) {
        require(result.omitted_errors == 0, "without a limit no error is left out");
    } else {
        // The final error is kept beyond the limit.
        require(errors <= max_errors + 1, "errors kept within the limit and the final error");
        require(result.omitted_errors == 0 || errors >= max_errors,
                "errors are left out only past the limit");
    }
}

// The compile ends with an error exactly when the check marks one, and it is that error; the
// check without a limit finds as many errors as the limited one kept and left out.
void compare_with_compile(const CheckResult& result, const SourceText& route,
                          const SourceText& train) {
    const Model exact = compile_texts(route, train, carried_identity(), false);
    const Diagnostic* last = last_error(exact.diagnostics);
    require(result.final_error.has_value() == (last != nullptr),
            "the check fails exactly when the compile does");
    if (last != nullptr) {
        const Diagnostic& marked = result.diagnostics[*result.final_error];
        require(marked.number == last->number && marked.location == last->location,
                "the marked error is the compile's own");
    }
    const CheckResult all = check_scenario(route, train, carried_identity(), {.max_errors = 0});
    require(error_count(all.diagnostics) == error_count(result.diagnostics) + result.omitted_errors,
            "errors kept and left out add up to all errors found");
}

std::size_t count_lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// The format of scenc check an input is rendered in. Rendering and parsing back a report cost
// about as much as the check itself, so each input renders one; the bits of its first byte
// choose it, so that the inputs a format's new coverage came from keep it when mutated.
struct RenderChoice {
    scenc::ReportFormat format;
    bool color;
};

RenderChoice render_choice(std::string_view input) {
    static constexpr scenc::ReportFormat formats[] = {
        scenc::ReportFormat::human, scenc::ReportFormat::gcc, scenc::ReportFormat::json,
        scenc::ReportFormat::sarif};
    const unsigned flags = input.empty() ? 0u : static_cast<std::uint8_t>(input[0]);
    return {formats[(flags >> 3) & 3u], (flags & 0x20u) != 0};
}

// The chosen format renders; the gcc format gives one line for each diagnostic, and the
// machine-readable ones parse and hold each diagnostic once.
void check_report(const CheckResult& result, const scenc::CheckedTexts& texts,
                  std::size_t max_errors, RenderChoice choice) {
    using scenc::ReportFormat;
    const std::string report = scenc::render_check(result, texts,
                                                   {.format = choice.format,
                                                    .color = choice.color,
                                                    .max_errors = max_errors,
                                                    .tool_version = "1.0"});
    const std::size_t shown = result.diagnostics.size();
    switch (choice.format) {
        case ReportFormat::human:
            break;
        case ReportFormat::gcc: {
            // Notes (the checks a route without a track left out, the count of a cascade) are
            // lines of their own under their diagnostic.
            std::size_t notes = 0;
            for (const Diagnostic& d : result.diagnostics) {
                notes += d.notes.size();
                if (d.consequences && !consequences_note(*d.consequences).empty()) ++notes;
            }
            require(count_lines(report) == shown + notes &&
                        report.find('\r') == std::string::npos,
                    "the gcc format gives one line for each diagnostic and each note");
            break;
        }
        case ReportFormat::json: {
            const auto json = nlohmann::json::parse(report, nullptr, false);
            require(!json.is_discarded(), "the JSON report parses");
            require(json["diagnostics"].size() == shown, "the JSON report holds every diagnostic");
            require(json["summary"]["errors"] ==
                        error_count(result.diagnostics) + result.omitted_errors,
                    "the JSON summary counts the errors left out too");
            break;
        }
        case ReportFormat::sarif: {
            const auto sarif = nlohmann::json::parse(report, nullptr, false);
            require(!sarif.is_discarded(), "the SARIF report parses");
            require(sarif["runs"][0]["results"].size() == shown,
                    "the SARIF report holds every diagnostic");
            break;
        }
    }
}

// An applied edit as bytes of the text it was made to: [begin, end) gave way to the
// replacement.
struct EditBytes {
    std::size_t begin;
    std::size_t end;
    const TextEdit* edit;
};

// Where each line of a text starts, found through the field reader's own count of lines,
// apart from apply_edits.
std::vector<std::size_t> line_starts_of(std::string_view text) {
    std::vector<std::size_t> starts;
    LineFinder lines;
    const int count = line_count(text);
    for (int line = 1; line <= count; ++line) {
        starts.push_back(static_cast<std::size_t>(lines.line(text, line).data() - text.data()));
    }
    return starts;
}

std::vector<EditBytes> edit_bytes(std::string_view text, const std::vector<std::size_t>& starts,
                                  const std::vector<TextEdit>& applied) {
    std::vector<EditBytes> out;
    for (const TextEdit& edit : applied) {
        const auto line = static_cast<std::size_t>(edit.range.line);
        // A row added after the last line goes at the end.
        const std::size_t begin =
            line > starts.size()
                ? text.size()
                : starts[line - 1] + static_cast<std::size_t>(edit.range.column - 1);
        out.push_back({begin, begin + static_cast<std::size_t>(edit.range.span), &edit});
    }
    return out;
}

// Every byte outside the edited ranges is where the edits before it put it.
void check_bytes_kept(std::string_view text, std::string_view edited,
                      const std::vector<EditBytes>& edits) {
    std::size_t from = 0;  // in text
    std::size_t at = 0;    // in edited
    for (const EditBytes& e : edits) {
        require(e.begin >= from && e.end <= text.size(), "applied edits in order, apart");
        const std::size_t kept = e.begin - from;
        require(edited.substr(at, kept) == text.substr(from, kept),
                "bytes before an edit are kept");
        at += kept;
        require(edited.substr(at, e.edit->replacement.size()) == e.edit->replacement,
                "an edit's range holds its replacement");
        at += e.edit->replacement.size();
        from = e.end;
    }
    require(edited.substr(at) == text.substr(from), "bytes after the last edit are kept");
}

// The lines of a text that edits touch, as [first, last] line pairs: the lines their ranges
// lie on, or, for a row added whole before a line (its replacement ends a line, inserted at a
// line's start), no line of the text it was made to.
struct LineSpan {
    int first;
    int last;
};

int line_at(const std::vector<std::size_t>& starts, std::size_t byte) {
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), byte) - starts.begin());
}

bool adds_whole_rows(const EditBytes& e, const std::vector<std::size_t>& starts) {
    const std::string& replacement = e.edit->replacement;
    return e.begin == e.end && replacement.ends_with('\n') &&
           std::binary_search(starts.begin(), starts.end(), e.begin);
}

// The rows of a text read as the parsers find them (the language server's row scanner), each
// with the lines it spans from its keyword to its last value read.
struct ScannedRow {
    const scenc::lsp::TextRow* row;
    int first;
    int last;
};

std::vector<ScannedRow> spans_of(const std::vector<scenc::lsp::TextRow>& rows) {
    std::vector<ScannedRow> out;
    for (const scenc::lsp::TextRow& row : rows) {
        int last = row.line;
        for (const SourceLocation& site : row.value_sites) last = std::max(last, site.line);
        out.push_back({&row, row.line, last});
    }
    return out;
}

bool touches(const ScannedRow& row, const std::vector<LineSpan>& touched) {
    return std::any_of(touched.begin(), touched.end(), [&](const LineSpan& span) {
        return span.first <= row.last && row.first <= span.last;
    });
}

bool same_reading(const scenc::lsp::TextRow& a, const scenc::lsp::TextRow& b, int shift) {
    if (a.line + shift != b.line || a.column != b.column || a.span != b.span ||
        a.header != b.header || a.kind != b.kind || a.numbers != b.numbers || a.text != b.text ||
        a.value_sites.size() != b.value_sites.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.value_sites.size(); ++i) {
        SourceLocation moved = a.value_sites[i];
        moved.line += shift;
        if (!(moved == b.value_sites[i])) return false;
    }
    return true;
}

// The rows no edit touches, up to the first row that does not read to its end. The compile
// stops at that row's fault; the check skips to the next line that begins a row, and a fix
// that makes a skipped line begin one moves where the check reads on, which is no change to
// what the compile reads.
struct UntouchedRows {
    std::vector<ScannedRow> rows;
    bool cut_at_fault = false;
};

UntouchedRows untouched_rows(const std::vector<scenc::lsp::TextRow>& rows,
                             const std::vector<LineSpan>& touched) {
    UntouchedRows out;
    for (const ScannedRow& row : spans_of(rows)) {
        if (!touches(row, touched)) out.rows.push_back(row);
        if (row.row->kind != nullptr &&
            row.row->value_sites.size() < row.row->kind->fields.size()) {
            out.cut_at_fault = true;
            break;
        }
    }
    return out;
}

// The safe fixes of a text applied as `scenc check --fix` applies them: every byte outside the
// edited ranges stays, and every row the edits do not touch is read as before, the same kind
// with the same values at the same places (lines moved by the rows the edits add), with no
// row gained or lost outside the touched lines, up to where the compile stops at a fault.
void check_fix_edits(const Diagnostics& diagnostics, const SourceText& source,
                     scenc::lsp::TextRole role) {
    const EditedText edited =
        apply_edits(source.text, safe_edits_for(diagnostics, source.display_name));
    if (edited.applied.empty()) return;
    const std::vector<std::size_t> before_starts = line_starts_of(source.text);
    const std::vector<EditBytes> edits = edit_bytes(source.text, before_starts, edited.applied);
    check_bytes_kept(source.text, edited.text, edits);

    // The touched lines, before and after, and how far each edit moves the lines after it.
    const std::vector<std::size_t> after_starts = line_starts_of(edited.text);
    std::vector<LineSpan> touched_before;
    std::vector<LineSpan> touched_after;
    std::vector<std::pair<int, int>> shifts;  // from this line of the text on, lines move so far
    std::ptrdiff_t moved = 0;                 // bytes the edits before have added
    int shift = 0;
    for (const EditBytes& e : edits) {
        const std::size_t new_begin =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(e.begin) + moved);
        const std::size_t new_end = new_begin + e.edit->replacement.size();
        const bool whole_rows = adds_whole_rows(e, before_starts);
        if (!whole_rows) {
            touched_before.push_back(
                {line_at(before_starts, e.begin), line_at(before_starts, e.end)});
        }
        touched_after.push_back({line_at(after_starts, new_begin),
                                 line_at(after_starts, new_end) - (whole_rows ? 1 : 0)});
        shift += line_at(after_starts, new_end) - line_at(after_starts, new_begin) -
                 (line_at(before_starts, e.end) - line_at(before_starts, e.begin));
        shifts.emplace_back(line_at(before_starts, e.end) + (whole_rows ? 0 : 1), shift);
        moved += static_cast<std::ptrdiff_t>(e.edit->replacement.size()) -
                 static_cast<std::ptrdiff_t>(e.end - e.begin);
    }
    auto shift_at = [&](int line) {
        int by = 0;
        for (const auto& [from, to] : shifts) {
            if (line >= from) by = to;
        }
        return by;
    };

    const std::vector<scenc::lsp::TextRow> rows_before = scenc::lsp::text_rows(source.text, role);
    const std::vector<scenc::lsp::TextRow> rows_after = scenc::lsp::text_rows(edited.text, role);
    const UntouchedRows before = untouched_rows(rows_before, touched_before);
    const UntouchedRows after = untouched_rows(rows_after, touched_after);
    const std::vector<ScannedRow>& kept_before = before.rows;
    const std::vector<ScannedRow>& kept_after = after.rows;
    const std::size_t common = std::min(kept_before.size(), kept_after.size());
    std::size_t same = 0;
    while (same < common && same_reading(*kept_before[same].row, *kept_after[same].row,
                                         shift_at(kept_before[same].first))) {
        ++same;
    }
    if (same == common && (before.cut_at_fault || after.cut_at_fault)) return;
    if (same == kept_before.size() && same == kept_after.size()) return;
    // A finding: say which edits made which row read differently.
    for (const EditBytes& e : edits) {
        std::fprintf(stderr, "applied to %s: line %d column %d span %d <- \"%s\"\n",
                     source.display_name.c_str(), e.edit->range.line, e.edit->range.column,
                     e.edit->range.span, e.edit->replacement.c_str());
    }
    auto row_line = [](const std::vector<ScannedRow>& rows, std::size_t i) {
        return i < rows.size() ? rows[i].first : 0;
    };
    std::fprintf(stderr, "the untouched row at line %d before reads as at line %d after\n",
                 row_line(kept_before, same), row_line(kept_after, same));
    require(false, "a fix changes no row outside the rows it touches");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input = fuzzing::as_text(data, size);
    const std::size_t max_errors = input.empty() ? 0 : static_cast<std::uint8_t>(input[0]) & 7u;
    fuzzing::CompileInput split = fuzzing::split_compile_input(input);
    const scenc::CheckedTexts texts{{"linea.txt", std::move(split.route)},
                                    {"treno.txt", split.train.value_or("")},
                                    "linea_treno"};
    CheckedText route{texts.route, line_count(texts.route.text), {}};
    CheckedText train{texts.train, line_count(texts.train.text), {}};

    // check_scenario promises never to throw for a text's content: an escaping exception ends
    // the run as a finding.
    // The tracks' memory is kept from one input to the next, as the language server keeps it.
    static TrackStorage storage;
    const CheckResult result = check_scenario(texts.route, texts.train, carried_identity(),
                                              {.max_errors = max_errors}, &storage);
    check_result(result, max_errors, route, train);
    if (fuzzing::input_hash(input) % compile_share == 2) {
        compare_with_compile(result, texts.route, texts.train);
    }
    check_report(result, texts, max_errors, render_choice(input));
    check_fix_edits(result.diagnostics, texts.route, scenc::lsp::TextRole::route);
    check_fix_edits(result.diagnostics, texts.train, scenc::lsp::TextRole::train);
    return 0;
}
