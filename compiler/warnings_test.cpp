// Warnings: each slip a small text, with the warning it gives and where.
#include "compiler/warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/check.h"
#include "compiler/field_reader.h"
#include "compiler/identity.h"

namespace scenario {
namespace {

// A 10 km route: its track runs to 17000 m, so positions up to 16900 pass the range test.
std::string route_with(const std::string& features, const std::string& general = "") {
    return "[generale]\r\nlunghezza percorso, 10000\r\n" + general + "[curve]\r\n" + features +
           "[fine]\r\n";
}
std::string train_with(const std::string& rows) {
    return "[generale]\r\n" + rows + "[fine]\r\n";
}

// A station row at the position, named as given, that the train passes without a time.
std::string station(int position, const std::string& name) {
    return "stazione, " + std::to_string(position) +
           ", 12, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, " + name + "\r\n";
}

CheckResult check(const std::string& route, const std::string& train) {
    return check_scenario({"r_linea.txt", route}, {"r_1-.txt", train}, {"r", "1"});
}

Diagnostics warnings_of(const CheckResult& result) {
    Diagnostics warnings;
    for (const Diagnostic& d : result.diagnostics) {
        if (d.severity == Severity::warning) warnings.push_back(d);
    }
    return warnings;
}

struct Slip {
    const char* what;
    std::string route;
    std::string train;
    std::string_view name;
    bool in_route;
    int line;
    std::string field;       // the field the warning points at, found on its line
    std::string in_message;  // what the message must tell
};

const std::string plain_route = route_with("");
const std::string plain_train = train_with("velocita, 0, 100\r\n");

std::vector<Slip> slips() {
    std::string ten_notes;
    for (int i = 0; i < 10; ++i) ten_notes += "- note\r\n";
    return {
        {"misspelt station", plain_route,
         train_with(station(500, "PINETO").replace(0, 8, "stazoine")),
         warning_name::unknown_keyword, false, 2, "stazoine", "did you mean \"stazione\"?"},
        {"signal cut short", plain_route, train_with("segnal, 1000, 0\r\n"),
         warning_name::unknown_keyword, false, 2, "segnal", "did you mean \"segnale\"?"},
        {"feature row before the general block closes", route_with("", "pendenza, 0, 5\r\n"),
         plain_train, warning_name::unknown_keyword, true, 3, "pendenza", "general block"},
        {"right curve spelt out", route_with("curva destra 3, 1000, 200\r\n"), plain_train,
         warning_name::keyword_misread, true, 4, "curva destra 3", "left-hand curve"},
        {"two kinds in one keyword", plain_route,
         train_with("velocita aderenza, 0, 100, 0, 100\r\n"), warning_name::keyword_misread, false,
         2, "velocita aderenza", "\"aderenza\" row"},
        {"header holding a keyword", plain_route, train_with("[velocita]\r\n0, 100\r\n"),
         warning_name::header_keyword, false, 2, "[velocita]", "\"velocita\" row"},
        {"dashed header in the general block",
         "[generale]\r\nlunghezza percorso, 10000\r\n[-curve-]\r\nsfondo uno, 1\r\n[pendenze]\r\n"
         "[fine]\r\n",
         plain_train, warning_name::comment_keyword, true, 3, "[-curve-]", "runs on"},
        {"dashed keyword", plain_route, train_with("velocita-150, 0, 100\r\n"),
         warning_name::comment_keyword, false, 2, "velocita-150", "comment"},
        {"third comment in a row", plain_route,
         train_with("- note one\r\n- note two\r\n- velocita, 0, 100\r\n"),
         warning_name::comment_limit, false, 4, "- velocita", "read as a \"velocita\" row"},
        {"eleventh comment in the general block", route_with("", ten_notes + "- sfondo uno, 1\r\n"),
         plain_train, warning_name::comment_limit, true, 13, "- sfondo uno", "10 comment fields"},
        {"speed too high", plain_route, train_with("velocita, 0, 5000\r\n"),
         warning_name::value_wraps, false, 2, "5000", "stored as 232"},
        {"gradient too steep", route_with("pendenza, 0, 500\r\n"), plain_train,
         warning_name::value_wraps, true, 4, "500", "sees -12 per mille"},
        {"adhesion too high", plain_route, train_with("aderenza, 0, 300\r\n"),
         warning_name::value_wraps, false, 2, "300", "adhesion 44"},
        {"code value too high", plain_route, train_with("abbattimento, 2000, 40000\r\n"),
         warning_name::value_wraps, false, 2, "40000", "-25536"},
        {"UTF-8 station name", plain_route, train_with(station(500, "PINET\xC3\x92")),
         warning_name::text_encoding, false, 2, "PINET", "\"PINET\xC3\x83\xE2\x80\x99\""},
        {"byte the code page lacks", route_with("cartello_indicatore, 3000, (Km 1\x81)\r\n"),
         plain_train, warning_name::text_encoding, true, 4, "(Km", "not define"},
        {"byte order mark", "\xEF\xBB\xBF" + plain_route, plain_train, warning_name::text_encoding,
         true, 1, "\xEF\xBB\xBF", "byte order mark"},
        {"mountain past the end", route_with("montagna, 12000, 12500, 1\r\n"), plain_train,
         warning_name::beyond_route, true, 4, "12000", "past the end of the route (10000 m)"},
        {"code drop past the end", plain_route, train_with("abbattimento, 12000, 0\r\n"),
         warning_name::beyond_route, false, 2, "12000", "past the end"},
        {"speed rows backwards", plain_route,
         train_with("velocita, 1000, 100\r\nvelocita, 500, 80\r\n"), warning_name::out_of_order,
         false, 3, "500", "line 2"},
        {"adhesion rows in one cell", plain_route,
         train_with("aderenza, 1000, 100\r\naderenza, 1010, 80\r\n"), warning_name::out_of_order,
         false, 3, "1010", "line 2"},
        {"gradients backwards", route_with("pendenza, 3000, 5\r\npendenza, 2000, 0\r\n"),
         plain_train, warning_name::out_of_order, true, 5, "2000", "line 4"},
        {"stations backwards", plain_route, train_with(station(5000, "B") + station(2000, "A")),
         warning_name::out_of_order, false, 3, "2000", "numbered in file order"},
        {"quoted name running over two rows", plain_route,
         train_with(station(500, "\"PINETO") + station(1000, "SILVI") + station(1500, "MARINA\"")),
         warning_name::quote_spans_lines, false, 2, "\"PINETO",
         "closes only on line 4, column 71: the field swallows lines 3 to 4 (2 rows)"},
    };
}

TEST(Warnings, EachSlipGivesItsWarningAtItsField) {
    for (const Slip& slip : slips()) {
        SCOPED_TRACE(slip.what);
        const CheckResult result = check(slip.route, slip.train);
        const Diagnostics warnings = warnings_of(result);
        ASSERT_FALSE(warnings.empty());
        const Diagnostic& w = warnings.front();
        EXPECT_EQ(w.name, slip.name);
        EXPECT_EQ(w.location.file, slip.in_route ? "r_linea.txt" : "r_1-.txt");
        EXPECT_EQ(w.location.line, slip.line);
        const std::string_view line =
            line_of_text(slip.in_route ? slip.route : slip.train, slip.line);
        EXPECT_EQ(w.location.column, static_cast<int>(line.find(slip.field)) + 1) << w.message;
        EXPECT_NE(w.message.find(slip.in_message), std::string::npos) << w.message;
    }
}

TEST(Warnings, WellFormedTextsGiveNone) {
    const std::string route = route_with(
        "curvad3, 1000, 200\r\ncurvas3, 2000, 200\r\npendenza, 0, 0\r\npendenza, 5000, -8\r\n"
        "cartello_indicatore, 3000, (Km 1+000)\r\n",
        "progressiva chilometrica uno, 0, 350000, 1\r\n");
    const std::string train = train_with(
        "- comment\r\n- one more\r\n- and a third that is read as a keyword\r\n"
        "[vel_limite]\r\nvelocita, 0, 150\r\nvelocita, 1950, 160\r\n[stazioni]\r\n" +
        station(500, "PINET\xD2") + station(3000, "CIVITANOVA MARCHE-MONTEGRANARO"));
    const CheckResult result = check(route, train);
    EXPECT_TRUE(result.diagnostics.empty()) << result.diagnostics.front().message;
}

// Warnings stand among the errors by text and line; the final error stays marked.
TEST(Warnings, JoinTheErrorsInTextOrder) {
    const std::string train =
        train_with("velocita, 0, 5000\r\nstazione, 510, 12, 400\r\nvelocita, 10, 100\r\n");
    const CheckResult result = check(route_with("pendenza, 0, 500\r\n"), train);
    ASSERT_TRUE(result.final_error.has_value());
    const Diagnostic& final_error = result.diagnostics[*result.final_error];
    EXPECT_EQ(final_error.severity, Severity::error);
    EXPECT_EQ(final_error.number, 8);
    std::vector<std::pair<std::string, int>> places;
    for (const Diagnostic& d : result.diagnostics) {
        places.emplace_back(d.location.file, d.location.line);
    }
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end(), [](const auto& a, const auto& b) {
        return (a.first != b.first ? a.first == "r_linea.txt" : a.second < b.second);
    }));
    EXPECT_EQ(result.diagnostics.front().name, warning_name::value_wraps);
}

// With the plan option off, as in compile --no-plan, curves are meant to be passed over.
TEST(Warnings, CurvesWithoutThePlanAreNoUnknownKeywords) {
    Model model;
    model.plan_option = 0;
    const Diagnostics warnings = scenario_warnings(
        {"r_linea.txt", route_with("curvas3, 1000, 200\r\n")}, {"t", plain_train}, model);
    EXPECT_TRUE(warnings.empty()) << warnings.front().message;
}

}  // namespace
}  // namespace scenario
