#include "compiler/fixes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

namespace scenario {
namespace {

const std::string station_fields = ", 12, 400, 0,0,0,0,0,0,0,0,0,0, 0,0,0, ";

std::string route_text(const std::string& rows) {
    return "[generale]\r\nlunghezza percorso, 10000\r\n[tracciato]\r\npendenza, 0, 0\r\n" + rows +
           "[fine]\r\n";
}

std::string train_text(const std::string& rows) {
    return "[generale]\r\nvelocita, 0, 100\r\n" + rows + "[fine]\r\n";
}

CheckResult check(const std::string& route, const std::string& train) {
    return check_scenario({"linea.txt", route}, {"treno.txt", train}, carried_identity(),
                          {.max_errors = 0});
}

std::string fixed(const CheckResult& result, const std::string& file, const std::string& text) {
    return apply_edits(text, safe_edits_for(result.diagnostics, file)).text;
}

// What the fixes of the first diagnostic of a number or name offer, as the texts they write.
struct Offered {
    std::vector<std::string> replacements;
    bool safe = false;
};

Offered offered(const CheckResult& result, std::int32_t number, const std::string& name) {
    Offered out;
    for (const Diagnostic& d : result.diagnostics) {
        if ((name.empty() && d.number == number && d.severity == Severity::error) ||
            (!name.empty() && d.name == name)) {
            for (const Fix& fix : d.fixes) {
                out.replacements.push_back(fix.edits.at(0).replacement);
                out.safe = out.safe || fix.safe;
            }
            return out;
        }
    }
    ADD_FAILURE() << "no diagnostic " << number << name;
    return out;
}

TEST(Fixes, EachObviousCauseOffersItsFix) {
    struct Case {
        const char* what;
        std::string route;
        std::string train;
        std::int32_t number;
        std::string name;
        std::vector<std::string> replacements;
        bool safe;
    };
    const std::vector<Case> cases{
        {"an unknown keyword gets the nearest",
         route_text("pendneza, 500, 3\r\n"),
         train_text(""),
         0,
         "unknown-keyword",
         {"pendenza"},
         true},
        {"an unknown keyword whose fields were read apart (a negative number reads as a "
         "comment) is offered, not safe: the comments counted before the next row would change",
         route_text("pendneza, 500, -3\r\n"),
         train_text(""),
         0,
         "unknown-keyword",
         {"pendenza"},
         false},
        {"a field that holds the words of a suggestion gets no fix from them",
         route_text("pendneza did you mean \"\r\n"),
         train_text(""),
         0,
         "unknown-keyword",
         {},
         false},
        {"an unknown keyword of a row short on its line is offered, not safe: the row would "
         "take the next line's keyword as its text",
         route_text("[indicazioni]\r\ncartello_indi7000, 0\r\npendenza, 500, 3\r\n"),
         train_text(""),
         0,
         "unknown-keyword",
         {"cartello_indicatore"},
         false},
        {"a station off the grid gets the nearer multiple of 50",
         route_text(""),
         train_text("stazione, 1010" + station_fields + "Alfa\r\n"),
         8,
         "",
         {"1000"},
         true},
        {"a tie offers both neighbours, neither safe",
         route_text(""),
         train_text("stazione, 12875" + station_fields + "Alfa\r\n"),
         8,
         "",
         {"12850", "12900"},
         false},
        {"a station length off the grid gets the nearer multiple of 100",
         route_text(""),
         train_text("stazione, 1000, 12, 420, 0,0,0,0,0,0,0,0,0,0, 0,0,0, Alfa\r\n"),
         9,
         "",
         {"400"},
         true},
        {"a signal on a taken cell moves to the one free neighbour",
         route_text(""),
         train_text("segnale, 4900, 0,0,0,0,0,0,0,0,0,0\r\n"
                    "segnale, 4950, 0,0,0,0,0,0,0,0,0,0\r\nsegnale, 5050, 0,0,0,0,0,0,0,0,0,0\r\n"
                    "segnale, 5000, 0,0,0,0,0,0,0,0,0,0\r\nsegnale, 5000, 0,0,0,0,0,0,0,0,0,0\r\n"),
         16,
         "",
         {"5100"},
         true},
        {"a code drop between two free cells offers both",
         route_text(""),
         train_text("segnale, 5000, 0,0,0,0,0,0,0,0,0,0\r\nabbattimento, 5050, 180\r\n"),
         7,
         "",
         {"5000", "5100"},
         false},
        {"a curve without its class offers the six classes",
         route_text("curvas7, 2000, 100\r\n"),
         train_text(""),
         103,
         "",
         {"curvas1", "curvas2", "curvas3", "curvas4", "curvas5", "curvas6"},
         false},
        {"a value past its field gets the largest it keeps",
         route_text(""),
         train_text("sabbia, 40000\r\n"),
         25,
         "",
         {"32767"},
         false},
        {"a board speed past 16 bits gets the largest its pair keeps",
         route_text("indicatori_vmax, 1000, 2000, 0, 0, 0, 140, 0, 0, 0\r\n"),
         train_text(""),
         25,
         "",
         {"1636"},
         false},
        {"a right board speed past 16 bits gets the lowest its pair keeps",
         route_text("indicatori_vmax, 1000, 0, 10, 0, 0, 0, -200000, 0, 0\r\n"),
         train_text(""),
         25,
         "",
         {"-164842"},
         false},
        {"a gradient that wraps gets the largest it keeps",
         route_text("pendenza, 500, 170\r\n"),
         train_text(""),
         0,
         "value-wraps",
         {"155"},
         false},
        {"a UTF-8 name gets its Windows-1252 spelling",
         route_text(""),
         train_text("stazione, 1000" + station_fields + "Citt\xC3\xA0\r\n"),
         0,
         "text-encoding",
         {"Citt\xE0"},
         true},
        {"a missing route length gets the row to add",
         "[generale]\r\n[tracciato]\r\npendenza, 12830, 0\r\n[fine]\r\n",
         train_text(""),
         104,
         "",
         {"lunghezza percorso, 12850\r\n"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Offered got = offered(check(c.route, c.train), c.number, c.name);
        EXPECT_EQ(got.replacements, c.replacements);
        EXPECT_EQ(got.safe, c.safe);
    }
}

TEST(Fixes, TextsSwappedGetNoRouteLengthRow) {
    const CheckResult result = check(train_text(""), route_text(""));
    EXPECT_TRUE(offered(result, 104, "").replacements.empty());
}

TEST(Fixes, TwoSignalsOnOneCellAreNotMovedIntoTheSameFreeCell) {
    const std::string train = train_text(
        "segnale, 4950, 0,0,0,0,0,0,0,0,0,0\r\nsegnale, 5000, 0,0,0,0,0,0,0,0,0,0\r\n"
        "segnale, 5000, 0,0,0,0,0,0,0,0,0,0\r\nsegnale, 5000, 0,0,0,0,0,0,0,0,0,0\r\n");
    const CheckResult result = check(route_text(""), train);
    const std::string once = fixed(result, "treno.txt", train);
    // The first moves to the one free neighbour; the second, whose nearest free cells are
    // then as near on both sides, is left to the author.
    const CheckResult again = check(route_text(""), once);
    std::vector<int> taken_lines;
    for (const Diagnostic& d : again.diagnostics) {
        if (d.number == 16) taken_lines.push_back(d.location.line);
    }
    EXPECT_EQ(taken_lines, std::vector<int>{6});
}

// Walks both texts together, skipping each edit's range in the original and its replacement in
// the changed text; every other byte must match.
bool same_outside_edits(const std::string& original, const std::string& changed,
                        std::vector<TextEdit> edits) {
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) {
        return std::pair{a.range.line, a.range.column} < std::pair{b.range.line, b.range.column};
    });
    std::size_t from = 0;
    std::size_t to = 0;
    int line = 1;
    std::size_t line_start = 0;
    auto next = edits.begin();
    while (from <= original.size()) {
        if (next != edits.end() && next->range.line == line &&
            from == line_start + static_cast<std::size_t>(next->range.column - 1)) {
            if (changed.compare(to, next->replacement.size(), next->replacement) != 0) return false;
            to += next->replacement.size();
            from += static_cast<std::size_t>(next->range.span);
            ++next;
            continue;
        }
        if (from == original.size()) break;
        if (to >= changed.size() || original[from] != changed[to]) return false;
        if (original[from] == '\n') {
            ++line;
            line_start = from + 1;
        }
        ++from;
        ++to;
    }
    return next == edits.end() && to == changed.size();
}

// The pair of ten mistakes, with slips that have a safe fix added: after the safe fixes only
// the mistakes without one remain, and every byte outside the fixed fields is as it was.
TEST(Fixes, ApplyingTheSafeFixesLeavesOnlyTheMistakesWithoutOne) {
    const std::string route = route_text(
        "indicatori_vmax, 1000, 60, 70, 75, 2, , , , 0\r\n"
        "indicatore cartello, 1000, (Ponte)\r\n"
        "pendenza, 99000, 5\r\n"
        "curva, 2000, 100\r\n"
        "pendneza, 3000, 2\r\n");
    const std::string train = train_text(
        "stazione, 1000" + station_fields + "Alfa\r\n" + "stazione, 2025" + station_fields +
        "Beta\r\n" + "stazione, 3000, 12, 450, 0,0,0,0,0,0,0,0,0,0, 10,0,0, Gamma\r\n" +
        "stazione, 3810" + station_fields + "Citt\xC3\xA0\r\n" +
        "segnale, 5000, 2,4,0,0,0,2,1,0,0,0\r\n"
        "segnale, 5000, 2,4,0,0,0,2,1,0,0,0\r\n"
        "abbattimento, 5050, 180\r\n"
        "numero vetture, 1x2\r\n"
        "sabbia, 40000\r\n"
        "stazione, 6000, 866, 400\r\n");
    const CheckResult before = check(route, train);
    const std::string route_fixed = fixed(before, "linea.txt", route);
    const std::string train_fixed = fixed(before, "treno.txt", train);
    const CheckResult after = check(route_fixed, train_fixed);

    std::size_t with_safe_fix = 0;
    for (const Diagnostic& d : before.diagnostics) {
        const bool safe =
            std::any_of(d.fixes.begin(), d.fixes.end(), [](const Fix& f) { return f.safe; });
        with_safe_fix += safe ? 1 : 0;
        const bool remains = std::any_of(
            after.diagnostics.begin(), after.diagnostics.end(), [&](const Diagnostic& a) {
                return a.number == d.number && a.name == d.name &&
                       a.location.file == d.location.file && a.location.line == d.location.line;
            });
        EXPECT_EQ(remains, !safe) << d.location.file << ":" << d.location.line << " " << d.message;
    }
    EXPECT_GE(with_safe_fix, 3u);  // the keyword, the name, the station off the grid

    // Outside the fixed fields the texts are byte for byte the same.
    for (const auto& [file, original, changed] : {std::tuple{"linea.txt", route, route_fixed},
                                                  std::tuple{"treno.txt", train, train_fixed}}) {
        SCOPED_TRACE(file);
        EXPECT_TRUE(same_outside_edits(
            original, changed,
            apply_edits(original, safe_edits_for(before.diagnostics, file)).applied));
    }
}

TEST(Fixes, ApplyEditsKeepsEveryOtherByteAndSkipsOverlaps) {
    const std::string text = "a, 1\r\nb, 22\nc, 3\r\n";
    const EditedText edited =
        apply_edits(text, {TextEdit{{"t", 2, 4, 2}, "50"}, TextEdit{{"t", 2, 5, 1}, "9"},
                           TextEdit{{"t", 1, 1, 0}, "x, 0\r\n"}, TextEdit{{"t", 9, 1, 1}, "z"}});
    EXPECT_EQ(edited.text, "x, 0\r\na, 1\r\nb, 50\nc, 3\r\n");
    EXPECT_EQ(edited.applied.size(), 2u);
}

}  // namespace
}  // namespace scenario
