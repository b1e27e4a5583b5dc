#include "scenc/reports/check_report.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>

#include "compiler/errors.h"
#include "io/test_support.h"

namespace scenario::scenc {
namespace {

using scenario::testing::quoted;
using scenario::testing::run_command;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;

const CheckedTexts texts{
    {"t_linea.txt", "[generale]\r\nlunghezza percorso, 20000\r\n[fine]\r\n"},
    {"dir name/t_5-.txt",
     "[generale]\r\nsegnale, 8650, 2\r\nsegnale, 8660, 2\r\nstazionee, 100\r\n[fine]\r\n"},
    "t_5"};

SourceLocation at(const std::string& file, int line, int column, int span) {
    return {file, line, column, span};
}

// A stand-in for a check with several mistakes: errors in both texts, one with a related row,
// a warning, and a placement error tied to no text, which is the compile's final error.
CheckResult several_mistakes() {
    CheckResult result;
    Diagnostic route_error;
    route_error.number = 1;
    route_error.location = at("t_linea.txt", 2, 21, 5);
    route_error.message = "route length 20000 is wrong here";
    Diagnostic taken;
    taken.number = 16;
    taken.position = 8660;
    taken.location = at("dir name/t_5-.txt", 3, 10, 4);
    taken.related = at("dir name/t_5-.txt", 2, 10, 4);
    taken.message = "signal on a cell already taken by the signal at line 2";
    Diagnostic unknown;
    unknown.severity = Severity::warning;
    unknown.location = at("dir name/t_5-.txt", 4, 1, 9);
    unknown.message = "unknown keyword";
    unknown.name = "unknown-keyword";
    Diagnostic placement;
    placement.number = 12;
    placement.position = 10050;
    placement.message = "no free cell";
    result.diagnostics = {route_error, taken, unknown, placement};
    result.final_error = 3;
    return result;
}

std::string rendered(ReportFormat format, bool color = false, std::size_t max_errors = 50,
                     const CheckResult& result = several_mistakes()) {
    return render_check(
        result, texts,
        {.format = format, .color = color, .max_errors = max_errors, .tool_version = "1.0.0"});
}

// Past --max-warnings the later warnings are left out; errors stay and the summary counts all.
TEST(CheckReport, MaxWarningsLeavesOutLaterWarnings) {
    CheckResult result = several_mistakes();
    const Diagnostic warning = result.diagnostics[2];
    result.diagnostics.insert(result.diagnostics.begin() + 3, {warning, warning});
    result.final_error = 5;
    struct Case {
        std::size_t max_warnings;
        std::size_t shown;
        std::string summary;
    };
    const Case cases[] = {
        {0, 6, "3 errors, 3 warnings\n"},
        {3, 6, "3 errors, 3 warnings\n"},
        {1, 4, "3 errors, 3 warnings (1 warning shown; --max-warnings 0 shows them all)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.max_warnings);
        const ReportOptions options{
            .format = ReportFormat::json, .max_warnings = c.max_warnings, .tool_version = "1.0"};
        const auto json = nlohmann::json::parse(render_check(result, texts, options));
        EXPECT_EQ(json["diagnostics"].size(), c.shown);
        EXPECT_EQ(json["summary"]["warnings"], 3);
        EXPECT_EQ(json["summary"]["warnings_shown"], c.shown - 3);
        EXPECT_TRUE(json["diagnostics"].back()["reported_by_package_program"]);
        ReportOptions human = options;
        human.format = ReportFormat::human;
        const std::string text = render_check(result, texts, human);
        EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1), c.summary);
    }
}

TEST(CheckReport, HumanShowsEachRowWithItsFieldUnderlinedAndMarksTheFinalError) {
    EXPECT_EQ(rendered(ReportFormat::human),
              "t_linea.txt:2:21: error 1: route length 20000 is wrong here\n"
              " 2 | lunghezza percorso, 20000\n"
              "   |                     ^~~~~\n"
              "dir name/t_5-.txt:3:10: error 16: signal on a cell already taken by the signal at "
              "line 2\n"
              " 3 | segnale, 8660, 2\n"
              "   |          ^~~~\n"
              "dir name/t_5-.txt:2:10: note: the row that took the cell\n"
              " 2 | segnale, 8650, 2\n"
              "   |          ^~~~\n"
              "dir name/t_5-.txt:4:1: warning: unknown keyword [-Wunknown-keyword]\n"
              " 4 | stazionee, 100\n"
              "   | ^~~~~~~~~\n"
              "t_5: error 12: no free cell\n"
              "  at 10050 m (10+050), cell 201\n"
              "  note: the package program reports this error\n"
              "3 errors, 1 warning\n");
    const std::string colored = rendered(ReportFormat::human, true);
    EXPECT_NE(colored.find("\x1b[1;31merror 16:\x1b[0m"), std::string::npos);
    EXPECT_NE(colored.find("\x1b[1;35mwarning:\x1b[0m"), std::string::npos);
    EXPECT_NE(colored.find("\x1b[1;32m^~~~\x1b[0m"), std::string::npos);
    for (ReportFormat format : {ReportFormat::human, ReportFormat::gcc, ReportFormat::json}) {
        EXPECT_EQ(rendered(format).find('\x1b'), std::string::npos);
    }
}

TEST(CheckReport, GccFormatIsOneLinePerDiagnostic) {
    EXPECT_EQ(rendered(ReportFormat::gcc),
              "t_linea.txt:2:21: error: route length 20000 is wrong here [error 1]\n"
              "dir name/t_5-.txt:3:10: error: signal on a cell already taken by the signal at "
              "line 2 [error 16]\n"
              "dir name/t_5-.txt:4:1: warning: unknown keyword [-Wunknown-keyword]\n"
              "t_5: error: no free cell, at 10050 m (10+050), cell 201 [error 12; the package "
              "program reports this error]\n");
}

TEST(CheckReport, MaxErrorsLeavesOutLaterErrorsButNeverTheFinalOne) {
    struct Case {
        std::size_t max_errors;
        std::vector<std::int32_t> shown;  // numbers of the errors shown, 0 for the warning
        std::string summary;
    };
    const Case cases[] = {
        {0, {1, 16, 0, 12}, "3 errors, 1 warning\n"},
        {3, {1, 16, 0, 12}, "3 errors, 1 warning\n"},
        {1, {1, 0, 12}, "3 errors, 1 warning (2 errors shown; --max-errors 0 shows them all)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.max_errors);
        nlohmann::json json =
            nlohmann::json::parse(rendered(ReportFormat::json, false, c.max_errors));
        std::vector<std::int32_t> shown;
        for (const auto& diagnostic : json["diagnostics"])
            shown.push_back(diagnostic.value("number", 0));
        EXPECT_EQ(shown, c.shown);
        EXPECT_TRUE(json["diagnostics"].back()["reported_by_package_program"]);
        const std::string human = rendered(ReportFormat::human, false, c.max_errors);
        EXPECT_EQ(human.substr(human.rfind('\n', human.size() - 2) + 1), c.summary);
    }
    // Errors the check left out under the same limit are counted, through a warning filter too.
    CheckResult limited = several_mistakes();
    limited.omitted_errors = 4;
    limited = kept_diagnostics(limited, [](std::size_t i) { return i != 2; });
    const std::string human = rendered(ReportFormat::human, false, 50, limited);
    EXPECT_EQ(human.substr(human.rfind('\n', human.size() - 2) + 1),
              "7 errors (3 errors shown; --max-errors 0 shows them all)\n");
    EXPECT_EQ(nlohmann::json::parse(
                  rendered(ReportFormat::json, false, 50, limited))["summary"]["errors"],
              7);
    CheckResult dropped =
        kept_diagnostics(several_mistakes(), [](std::size_t i) { return i != 3; });
    EXPECT_FALSE(dropped.final_error.has_value());
    CheckResult moved = kept_diagnostics(several_mistakes(), [](std::size_t i) { return i != 0; });
    EXPECT_EQ(moved.final_error, 2u);
}

// A field of ten thousand digits quoted in a message (a number too big for its field) must
// not make a report of ten thousand bytes.
TEST(CheckReport, AHugeQuotedFieldIsShownByItsStart) {
    CheckResult result;
    result.diagnostics.resize(1);
    result.diagnostics[0].number = 25;
    result.diagnostics[0].message = "number out of range: " + std::string(10000, '7');
    for (ReportFormat format :
         {ReportFormat::human, ReportFormat::gcc, ReportFormat::json, ReportFormat::sarif}) {
        const std::string report = rendered(format, false, 50, result);
        EXPECT_LT(report.size(), 2000u) << report;
        EXPECT_NE(report.find(std::string(279, '7') + "..."), std::string::npos) << report;
    }
    // A quoted field over several lines keeps a gcc-style report at one line for each.
    result.diagnostics[0].message = "\"abc\r\ndef\rghi\" is no keyword here";
    EXPECT_EQ(rendered(ReportFormat::gcc, false, 50, result),
              "t_5: error: \"abc  def ghi\" is no keyword here [error 25]\n");
    result.diagnostics[0] = Diagnostic{};  // a stop at marker slots, raised without words
    result.diagnostics[0].number = 1250;
    EXPECT_NE(rendered(ReportFormat::gcc, false, 50, result).find(error_meaning(1250)),
              std::string::npos);
}

// The JSON against its published schema, the SARIF against the SARIF 2.1.0 schema.
TEST(CheckReport, JsonAndSarifFollowTheirSchemas) {
    const std::filesystem::path source = SOURCE_FOLDER;
    const std::pair<ReportFormat, std::string> cases[] = {
        {ReportFormat::json,
         "Draft202012Validator " + quoted(source / "docs/scenc-check.schema.json")},
        {ReportFormat::sarif,
         "Draft4Validator " + quoted(source / "../shared/schemas/sarif-schema-2.1.0.json")},
    };
    TemporaryFolder folder("check-report");
    for (const auto& [format, validator] : cases) {
        SCOPED_TRACE(validator);
        write_bytes(folder / "several.json", rendered(format));
        write_bytes(folder / "none.json", rendered(format, false, 50, {}));
        EXPECT_EQ(run_command("python3 " + quoted(source / "scenc/reports/validate_json.py") + " " +
                              validator + " " + quoted(folder / "several.json") + " " +
                              quoted(folder / "none.json"))
                      .output,
                  "valid\nvalid\n");
    }
    const nlohmann::json sarif = nlohmann::json::parse(rendered(ReportFormat::sarif))["runs"][0];
    const nlohmann::json& taken = sarif["results"][1];
    EXPECT_EQ(taken["ruleId"], "error-16");
    EXPECT_EQ(sarif["tool"]["driver"]["rules"][taken["ruleIndex"].get<int>()]["id"], "error-16");
    EXPECT_EQ(taken["locations"][0]["physicalLocation"]["artifactLocation"]["uri"],
              "dir%20name/t_5-.txt");
    EXPECT_EQ(taken["locations"][0]["physicalLocation"]["region"],
              nlohmann::json({{"startLine", 3}, {"startColumn", 10}, {"endColumn", 14}}));
    EXPECT_EQ(taken["relatedLocations"][0]["physicalLocation"]["region"]["startLine"], 2);
    EXPECT_EQ(sarif["results"][2]["ruleId"], "unknown-keyword");
    EXPECT_EQ(sarif["results"][2]["level"], "warning");
    EXPECT_TRUE(sarif["results"][3]["properties"]["reportedByPackageProgram"]);
    EXPECT_FALSE(sarif["results"][3].contains("locations"));
}

// Each diagnostic points at the command that explains it: a field in the JSON, the rule's
// help in the SARIF.
TEST(CheckReport, JsonAndSarifNameTheExplainCommand) {
    const nlohmann::json json = nlohmann::json::parse(rendered(ReportFormat::json));
    EXPECT_EQ(json["diagnostics"][1]["explain"], "scenc explain 16");
    EXPECT_EQ(json["diagnostics"][2]["explain"], "scenc explain unknown-keyword");
    const nlohmann::json rules =
        nlohmann::json::parse(rendered(ReportFormat::sarif))["runs"][0]["tool"]["driver"]["rules"];
    for (const auto& [rule_id, command] :
         {std::pair{"error-16", "scenc explain 16"},
          std::pair{"unknown-keyword", "scenc explain unknown-keyword"}}) {
        SCOPED_TRACE(rule_id);
        // A lambda may not capture a structured binding in every compiler this builds with.
        const std::string id = rule_id;
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const nlohmann::json& r) { return r["id"] == id; });
        ASSERT_NE(rule, rules.end());
        EXPECT_NE((*rule)["help"]["text"].get<std::string>().find(command), std::string::npos);
    }
}

}  // namespace
}  // namespace scenario::scenc
