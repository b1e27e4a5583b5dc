// The row grammar as data: what other code may rely on when it queries it, and the editor
// grammars, which are checked against it so that a hand edit out of step fails.
#include "compiler/row_grammar.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace scenario {
namespace {

const std::filesystem::path editors = std::filesystem::path(SOURCE_FOLDER) / "editors";

std::string file_text(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(RowGrammar, StoredValuesFollowTheRecorders) {
    const std::array<std::int32_t, 2> speed{0, 110};
    EXPECT_EQ(stored_value(RowKind::speed_limit, 1, speed), 22);
    const std::array<std::int32_t, 2> gradient{0, -8};
    EXPECT_EQ(stored_value(RowKind::gradient, 1, gradient), 92);
    // The carried signal at 8650: val1 41, val4 8.
    const std::array<std::int32_t, 11> signal{8650, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0};
    EXPECT_EQ(stored_value(RowKind::signal, 2, signal), 41);
    EXPECT_EQ(stored_value(RowKind::signal, 7, signal), 41);
    EXPECT_EQ(stored_value(RowKind::signal, 1, signal), 8);
    EXPECT_EQ(stored_value(RowKind::signal, 10, signal), 0) << "a zero time stays";
    const std::array<std::int32_t, 9> board{1950, 140, 150, 160, 0, 140, 150, 160, 0};
    EXPECT_EQ(stored_value(RowKind::speed_board, 1, board), 2828);
    EXPECT_EQ(stored_value(RowKind::speed_board, 8, board), 0);
    const std::array<std::int32_t, 3> mountain{141550, 143050, 11};
    EXPECT_EQ(stored_value(RowKind::mountain, 2, mountain), 1);
    const std::array<std::int32_t, 16> station{0, 8, 500, 0, 0, 0, 1, 1, 0, 4, 1, 1, 1, 10, 50, 0};
    EXPECT_EQ(stored_value(RowKind::station, 14, station), 39000);
    EXPECT_EQ(stored_value(RowKind::station, 2, station), std::nullopt) << "the length is no field";
    EXPECT_EQ(stored_value(RowKind::speed_limit, 1, std::span(speed).first(1)), std::nullopt);
}

TEST(RowGrammar, KindsAreFoundByPlaceKeywordAndField) {
    EXPECT_EQ(kinds_of_place(RowPlace::route_general).size(), 8u);
    EXPECT_EQ(kinds_of_place(RowPlace::route_feature).size(), 5u);
    EXPECT_EQ(kinds_of_place(RowPlace::train).size(), 10u);
    static_assert(kind_with_keyword("segnale") == RowKind::signal);
    EXPECT_EQ(field_of(RowKind::signal, "tempo"), 10u);
    EXPECT_EQ(field_of(RowKind::signal, "speed"), std::nullopt);
    EXPECT_EQ(first_kind_named("PERCENTUALE MASSA FRENATA", RowPlace::train), RowKind::braked_mass);
    EXPECT_EQ(first_kind_named("Progressiva chilometrica uno", RowPlace::route_general),
              std::nullopt)
        << "exact case";
    EXPECT_EQ(first_kind_named("curvas3", RowPlace::route_feature), RowKind::curve);
    EXPECT_EQ(number_count(RowKind::station), 16u);
    EXPECT_TRUE(ends_with_text(RowKind::sign_board));
}

// Each kind's keyword words, letter case and number of fields, as the editor grammars write
// them: a TextMate lookahead for each word and the count of number fields after the keyword;
// a Vim ScenarioRow call with the words, the case flag, the count and the text flag.
TEST(RowGrammar, EditorGrammarsMatchTheGrammar) {
    for (const bool route : {true, false}) {
        const auto tm = nlohmann::json::parse(file_text(
            editors / "vscode" / "syntaxes" /
            (route ? "scenario-route.tmLanguage.json" : "scenario-train.tmLanguage.json")));
        const std::string vim = file_text(editors / "vim" / "syntax" /
                                          (route ? "scenarioroute.vim" : "scenariotrain.vim"));
        std::size_t tm_rows = 0;
        for (const auto& [name, entry] : tm["repository"].items()) {
            tm_rows += name.starts_with("row-") ? 1 : 0;
        }
        std::size_t kinds = 0;
        for (const RowGrammar& kind : row_grammar) {
            if ((kind.place == RowPlace::train) == route) continue;
            ++kinds;
            SCOPED_TRACE(kind.keyword);
            const bool any = kind.letter_case == LetterCase::any;
            std::string lookaheads;
            std::string vim_words;
            for (std::string_view word : {kind.word, kind.second_word}) {
                if (word.empty()) continue;
                lookaheads += "(?=[^,\\r\\n]*" +
                              (any ? "(?i:" + std::string(word) + ")" : std::string(word)) + ")";
                vim_words += (vim_words.empty() ? "'" : ", '") + std::string(word) + "'";
            }
            const std::string count = "{" + std::to_string(number_count(kind.kind)) + "})";
            bool in_tm = false;
            for (const auto& [name, entry] : tm["repository"].items()) {
                const std::string match = entry.value("match", "");
                if (!name.starts_with("row-") || match.find(lookaheads) == std::string::npos ||
                    match.find(count) == std::string::npos)
                    continue;
                in_tm = (match.find("(?:\"[^\"") != std::string::npos) == ends_with_text(kind.kind);
            }
            EXPECT_TRUE(in_tm) << "no TextMate row matches " << lookaheads << " " << count;
            const std::string call = "[" + vim_words + "], " + (any ? "1" : "0") + ", " +
                                     std::to_string(number_count(kind.kind)) + ", " +
                                     (ends_with_text(kind.kind) ? "1" : "0") + ", ";
            EXPECT_NE(vim.find(call), std::string::npos) << "no Vim row " << call;
        }
        // Two variants mark a curve without its class and cab signalling without its codes.
        EXPECT_EQ(tm_rows, kinds + (route ? 2 : 0)) << "a TextMate row the grammar does not have";
    }
}

}  // namespace
}  // namespace scenario
