#include "scenc/lsp/language_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <sstream>

#include "compiler/identity.h"
#include "compiler/test_models.h"
#include "scenc/lsp/lsp.h"
#include "scenc/lsp/lsp_features.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario::scenc::lsp {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

using nlohmann::json;

const std::string folder = "file:///scen/";
const std::string route_uri = folder + "Val_linea.txt";
const std::string train_uri = folder + "Val_12-.txt";

// A route with one speed board in cell 40, and a train whose signal wants the same cell.
const std::string small_route =
    "[generale]\r\nlunghezza percorso, 20000\r\n[cartelli]\r\n"
    "indicatori_vmax, 1950, 140, 150, 160, 0, 140, 150, 160, 0\r\n[fine]\r\n";
const std::string clean_train =
    "[generale]\r\nnumero vetture, 5\r\n[segnali]\r\n"
    "segnale, 3000, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n[fine]\r\n";
const std::string clashing_train =
    "[generale]\r\nnumero vetture, 5\r\n[segnali]\r\n"
    "segnale, 1950, 2, 4, 0, 0, 0, 2, 1, 0, 0, 0\r\n[fine]\r\n";

class ServerTest : public ::testing::Test {
  protected:
    std::map<std::string, std::string> disk;
    LanguageServer server{[this](const std::string& path) -> std::optional<std::string> {
                              const auto found = disk.find(path);
                              if (found == disk.end()) return std::nullopt;
                              return found->second;
                          },
                          "test"};
    std::vector<json> replies;
    json capabilities = json::object();  // the client's, sent with initialize

    void SetUp() override {
        send({{"jsonrpc", "2.0"},
              {"id", 0},
              {"method", "initialize"},
              {"params", {{"capabilities", capabilities}}}});
        send({{"jsonrpc", "2.0"}, {"method", "initialized"}, {"params", json::object()}});
    }
    std::vector<json>& send(const json& message) { return replies = server.handle(message); }
    void notify(const std::string& method, const json& params) {
        send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
    }
    json ask(const std::string& method, const json& params) {
        send({{"jsonrpc", "2.0"}, {"id", 7}, {"method", method}, {"params", params}});
        return replies.at(0);
    }
    void open(const std::string& uri, const std::string& text) {
        notify("textDocument/didOpen",
               {{"textDocument",
                 {{"uri", uri}, {"languageId", "x"}, {"version", 1}, {"text", text}}}});
    }
    void change(const std::string& uri, const std::string& text) {
        notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                          {"contentChanges", {{{"text", text}}}}});
    }
    // The diagnostics published for the URI by the last message; null when none were.
    json published(const std::string& uri) const {
        json found;
        for (const json& reply : replies) {
            if (reply.value("method", "") == "textDocument/publishDiagnostics" &&
                reply["params"]["uri"] == uri) {
                found = reply["params"]["diagnostics"];
            }
        }
        return found;
    }
    static json at(int line, int start, int end) {
        return {{"start", {{"line", line}, {"character", start}}},
                {"end", {{"line", line}, {"character", end}}}};
    }
};

TEST_F(ServerTest, AnswersBadMessagesWithTheirErrorCodes) {
    open(train_uri, clean_train);
    struct Case {
        std::string body;
        int code;
    };
    const Case cases[] = {
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"textDocument/rename\",\"params\":{}}",
         error_code::method_not_found},
        {"{not json", error_code::parse_error},
        {"[1,2]", error_code::invalid_request},
        {"{\"jsonrpc\":\"2.0\",\"id\":1}", error_code::invalid_request},
        {"{\"jsonrpc\":\"2.0\",\"id\":[1],\"method\":\"shutdown\"}", error_code::invalid_request},
        {"{\"jsonrpc\":\"1.0\",\"id\":1,\"method\":\"shutdown\"}", error_code::invalid_request},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"textDocument/hover\",\"params\":{}}",
         error_code::invalid_params},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"initialize\",\"params\":{}}",
         error_code::invalid_request},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"textDocument/completion\",\"params\":"
         "{\"textDocument\":{\"uri\":\"file:///scen/Val_12-.txt\"},"
         "\"position\":{\"line\":1e30,\"character\":0}}}",
         error_code::invalid_params},
        {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"textDocument/codeAction\",\"params\":"
         "{\"textDocument\":{\"uri\":\"file:///scen/Val_12-.txt\"},\"range\":{\"start\":"
         "{\"line\":1e30,\"character\":0},\"end\":{\"line\":0,\"character\":0}}}}",
         error_code::invalid_params},
    };
    for (const Case& c : cases) {
        const std::vector<json> out = server.handle_body(c.body);
        ASSERT_EQ(out.size(), 1u) << c.body;
        EXPECT_EQ(out[0]["error"]["code"], c.code) << c.body;
    }
    // Nesting up to the limit is read; one level more is refused unread, however deep.
    const auto nested = [](int depth) {
        return "{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"textDocument/hover\",\"params\":" +
               std::string(static_cast<std::size_t>(depth), '[') +
               std::string(static_cast<std::size_t>(depth), ']') + "}";
    };
    for (const auto& [depth, code] : {std::pair{deepest_nesting - 1, error_code::invalid_params},
                                      std::pair{deepest_nesting, error_code::parse_error},
                                      std::pair{100000, error_code::parse_error}}) {
        const std::vector<json> out = server.handle_body(nested(depth));
        ASSERT_EQ(out.size(), 1u) << depth;
        EXPECT_EQ(out[0]["error"]["code"], code) << depth;
    }
    // Positions outside the text: a negative one, a line past its end.
    for (const char* position :
         {R"({"line":-1,"character":-1})", R"({"line":1000000,"character":0})"}) {
        const std::vector<json> out = server.handle_body(
            std::string(R"({"jsonrpc":"2.0","id":1,"method":"textDocument/completion","params":)") +
            R"({"textDocument":{"uri":"file:///scen/Val_12-.txt"},"position":)" + position + "}}");
        ASSERT_EQ(out.size(), 1u) << position;
        EXPECT_EQ(out[0]["error"]["code"], error_code::invalid_params) << position;
    }
    // An unknown notification, a malformed one and a client's response get no answer.
    EXPECT_TRUE(
        server.handle_body(R"({"jsonrpc":"2.0","method":"$/unknown","params":{}})").empty());
    EXPECT_TRUE(server.handle_body(R"({"jsonrpc":"2.0","method":"textDocument/didOpen"})").empty());
    EXPECT_TRUE(server.handle_body(R"({"jsonrpc":"2.0","id":3,"result":null})").empty());
}

TEST_F(ServerTest, FormatsAnOpenTextAsFmtDoes) {
    open(train_uri, "[generale]\r\nnumero vetture,5\r\n[fine]\r\n");
    const json answer =
        ask("textDocument/formatting", {{"textDocument", {{"uri", train_uri}}},
                                        {"options", {{"tabSize", 4}, {"insertSpaces", true}}}});
    EXPECT_EQ(answer["result"],
              json::array({{{"range", at(1, 0, 16)}, {"newText", "numero vetture,    5"}}}));
    // A text that is not open has nothing to format.
    EXPECT_EQ(ask("textDocument/formatting", {{"textDocument", {{"uri", route_uri}}}})["result"],
              json::array());
}

TEST(LanguageServerLifecycle, ExitStatusTellsWhetherShutdownCameFirst) {
    const ReadFile nothing = [](const std::string&) { return std::nullopt; };
    const json shutdown = {{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}};
    const json exit = {{"jsonrpc", "2.0"}, {"method", "exit"}};
    LanguageServer early(nothing, "test");
    EXPECT_EQ(early.handle(shutdown).at(0)["error"]["code"], error_code::server_not_initialized);
    early.handle(exit);
    EXPECT_TRUE(early.exit_requested());
    EXPECT_EQ(early.exit_status(), 1);

    LanguageServer proper(nothing, "test");
    proper.handle(
        {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
    EXPECT_TRUE(proper.handle(shutdown).at(0)["result"].is_null());
    EXPECT_EQ(proper.handle({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "textDocument/hover"}})
                  .at(0)["error"]["code"],
              error_code::invalid_request);
    proper.handle(exit);
    EXPECT_EQ(proper.exit_status(), 0);
}

TEST_F(ServerTest, TrainIsCheckedAgainstTheRouteOnDiskOrInTheEditor) {
    open(train_uri, clean_train);
    EXPECT_EQ(published(train_uri)[0]["severity"], 3) << "no route yet: a notice";
    disk["/scen/Val_linea.txt"] = small_route;
    change(train_uri, clashing_train);
    const json on_train = published(train_uri);
    ASSERT_EQ(on_train.size(), 1u) << on_train;
    EXPECT_EQ(on_train[0]["code"], 16);
    EXPECT_EQ(on_train[0]["range"], at(3, 9, 13));
    EXPECT_EQ(on_train[0]["relatedInformation"][0]["location"]["uri"], route_uri);
    EXPECT_EQ(on_train[0]["relatedInformation"][0]["location"]["range"]["start"]["line"], 3);

    // Opened, the route shows the error too, pointing back at the train's row.
    open(route_uri, small_route);
    const json on_route = published(route_uri);
    ASSERT_EQ(on_route.size(), 1u) << on_route;
    EXPECT_EQ(on_route[0]["code"], 16);
    EXPECT_EQ(on_route[0]["range"]["start"]["line"], 3);
    EXPECT_EQ(on_route[0]["relatedInformation"][0]["location"]["uri"], train_uri);

    // A change of the route re-checks the train: the board moves away, both texts clear.
    std::string moved = small_route;
    moved.replace(moved.find("1950"), 4, "5950");
    change(route_uri, moved);
    EXPECT_EQ(published(route_uri), json::array());
    EXPECT_EQ(published(train_uri), json::array());

    // A length of 0 that leaves rows beyond the track is one error at the length row, its
    // message counting what follows from it, as the command line's note does.
    const std::string board = ", 140, 150, 160, 0, 140, 150, 160, 0\r\n";
    change(route_uri, "[generale]\r\nlunghezza percorso, 0\r\n[cartelli]\r\nindicatori_vmax, 8950" +
                          board + "indicatori_vmax, 9950" + board + "[fine]\r\n");
    const json at_length = published(route_uri);
    ASSERT_FALSE(at_length.empty());
    const std::string message = at_length[0]["message"];
    EXPECT_NE(message.find("from this and"), std::string::npos) << at_length;
    EXPECT_LT(message.find('\n'), message.find("from this and")) << "a line of its own";

    // A shorter route puts the train's signal past the route's end.
    std::string shorter = moved;
    shorter.replace(shorter.find("20000"), 5, "1000");
    change(route_uri, shorter);
    const json beyond = published(train_uri);
    EXPECT_TRUE(std::any_of(beyond.begin(), beyond.end(), [](const json& d) {
        return d["code"] == "beyond-route";
    })) << beyond;

    // Closing clears the closed text's diagnostics.
    notify("textDocument/didClose", {{"textDocument", {{"uri", train_uri}}}});
    EXPECT_EQ(published(train_uri), json::array());
}

// Hovering over a diagnostic's range shows its explanation after what the row tells; outside
// every range the hover is the row's alone.
TEST_F(ServerTest, HoverOverADiagnosticExplainsIt) {
    disk["/scen/Val_linea.txt"] = small_route;
    open(train_uri, clashing_train);
    ASSERT_EQ(published(train_uri)[0]["range"], at(3, 9, 13));
    const auto hover = [&](int line, int character) {
        return ask("textDocument/hover",
                   {{"textDocument", {{"uri", train_uri}}},
                    {"position", {{"line", line}, {"character", character}}}})["result"];
    };
    const json on_error = hover(3, 10);
    const std::string text = on_error["contents"]["value"];
    EXPECT_NE(text.find("error 16: signal on a cell already taken"), std::string::npos) << text;
    EXPECT_NE(text.find("Right: segnale,"), std::string::npos) << text;
    EXPECT_LT(text.find("where the signal stands"), text.find("error 16"))
        << "the field's own hover stays first";
    const json elsewhere = hover(3, 15);
    EXPECT_EQ(elsewhere["contents"]["value"].get<std::string>().find("error 16"),
              std::string::npos);
}

// The quick fixes offered at a diagnostic: each fix's text as the title, the safe one
// preferred, and the edit as the editor applies it; none where the cause has no obvious fix.
TEST_F(ServerTest, OffersTheFixesOfADiagnosticAsQuickFixes) {
    disk["/scen/Val_linea.txt"] = small_route;
    struct Offer {
        std::string title;
        bool preferred;
        json range;
        std::string new_text;
    };
    struct Case {
        const char* what;
        std::string row;
        std::vector<Offer> offers;
        std::string said = {};  // a piece of the diagnostic's message, in the editor's UTF-8
    };
    const std::string stops = ", 2, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 10, 0, 0, Alfa\r\n";
    const Case cases[] = {
        {"a misspelt keyword",
         "stazone, 1000" + stops,
         {{"write \"stazione\"", true, at(3, 0, 7), "stazione"}}},
        {"a position off the grid",
         "stazione, 3030" + stops,
         {{"write 3050", true, at(3, 10, 14), "3050"}}},
        {"a position between two multiples",
         "stazione, 3025" + stops,
         {{"write 3000", false, at(3, 10, 14), "3000"},
          {"write 3050", false, at(3, 10, 14), "3050"}}},
        {"no fix for a read fault", "velocita, 12x, 5\r\n", {}},
        // The editor shows a UTF-8 name read as Windows-1252: "\xC3\xA8" as "\xC3\x83\xC2\xA8".
        {"a name spelt in UTF-8",
         "stazione, 1000" + stops.substr(0, stops.size() - 6) + "Marin\xC3\x83\xC2\xA8\r\n",
         {{"write \"Marin\xC3\xA8\" in Windows-1252; a whole text converts with iconv -f UTF-8 "
           "-t WINDOWS-1252",
           true, at(3, 64, 71), "Marin\xC3\xA8"}},
         "the simulator shows \"Marin\xC3\x83\xC2\xA8\""},
        {"no fix over a character the code page lacks",
         "stazione, 1000" + stops.substr(0, stops.size() - 6) +
             "\xF0\x9F\x98\x80 Marin\xC3\x83\xC2\xA8\r\n",
         {}},
    };
    for (const Case& c : cases) {
        open(train_uri, "[generale]\r\nnumero vetture, 5\r\n[stazioni]\r\n" + c.row + "[fine]\r\n");
        const json diagnostics = published(train_uri);
        ASSERT_EQ(diagnostics.size(), 1u) << c.what << diagnostics;
        EXPECT_NE(diagnostics[0]["message"].get<std::string>().find(c.said), std::string::npos)
            << c.what << diagnostics;
        const json start = diagnostics[0]["range"]["start"];
        const json actions =
            ask("textDocument/codeAction", {{"textDocument", {{"uri", train_uri}}},
                                            {"range", {{"start", start}, {"end", start}}},
                                            {"context", {{"diagnostics", diagnostics}}}})["result"];
        ASSERT_EQ(actions.size(), c.offers.size()) << c.what << actions;
        for (std::size_t i = 0; i < c.offers.size(); ++i) {
            const Offer& offer = c.offers[i];
            const json& action = actions[i];
            EXPECT_EQ(action["title"], offer.title) << c.what;
            EXPECT_EQ(action["kind"], "quickfix") << c.what;
            EXPECT_EQ(action["isPreferred"], offer.preferred) << c.what;
            EXPECT_EQ(action["diagnostics"], json::array({diagnostics[0]})) << c.what;
            EXPECT_EQ(
                action["edit"],
                (json{{"changes",
                       {{train_uri, {{{"range", offer.range}, {"newText", offer.new_text}}}}}}}))
                << c.what;
        }
        notify("textDocument/didClose", {{"textDocument", {{"uri", train_uri}}}});
    }
}

// The missing route length row is inserted before the line after the header, ended as the
// editor's copy ends its lines.
TEST_F(ServerTest, AnAddedRowEndsAsTheEditorsLinesEnd) {
    open(route_uri,
         "[generale]\n[cartelli]\nindicatori_vmax, 1950, 140, 150, 160, 0, 140, 150, 160, 0\n"
         "[fine]\n");
    const json diagnostics = published(route_uri);
    ASSERT_EQ(diagnostics.size(), 1u) << diagnostics;
    const json actions = ask("textDocument/codeAction", {{"textDocument", {{"uri", route_uri}}},
                                                         {"range", diagnostics[0]["range"]},
                                                         {"context", json::object()}})["result"];
    ASSERT_EQ(actions.size(), 1u) << actions;
    EXPECT_EQ(actions[0]["isPreferred"], false);
    EXPECT_EQ(actions[0]["edit"]["changes"][route_uri],
              (json{{{"range", at(1, 0, 0)}, {"newText", "lunghezza percorso, 1950\n"}}}));
}

class VersionedEditsTest : public ServerTest {
  protected:
    VersionedEditsTest() {
        capabilities = {{"workspace", {{"workspaceEdit", {{"documentChanges", true}}}}}};
    }
};

// A fix of a train's row offered where the error shows in the route text edits the train text,
// at the version the editor holds; the context finds a diagnostic whatever columns the client
// sends back, and a request for other kinds of action gets none.
TEST_F(VersionedEditsTest, AFixInTheOtherTextEditsThatTextAtItsVersion) {
    open(route_uri, small_route);
    open(train_uri, clean_train);
    change(train_uri, clashing_train);  // version 2
    const json on_route = published(route_uri);
    ASSERT_EQ(on_route.size(), 1u) << on_route;
    json sent = on_route[0];
    sent["range"] = at(3, 1, 2);
    const auto ask_route = [&](const json& range, const json& context) {
        return ask("textDocument/codeAction", {{"textDocument", {{"uri", route_uri}}},
                                               {"range", range},
                                               {"context", context}})["result"];
    };
    const json actions = ask_route(at(0, 0, 0), {{"diagnostics", {sent}}});
    ASSERT_EQ(actions.size(), 2u) << actions;
    EXPECT_EQ(actions[0]["title"], "write 1900, free cell 39");
    EXPECT_EQ(actions[0]["diagnostics"][0], on_route[0]);
    EXPECT_EQ(actions[0]["edit"],
              (json{{"documentChanges",
                     {{{"textDocument", {{"uri", train_uri}, {"version", 2}}},
                       {"edits", {{{"range", at(3, 9, 13)}, {"newText", "1900"}}}}}}}}));
    EXPECT_EQ(ask_route(at(3, 17, 21), json::object()).size(), 2u) << "the range alone finds it";
    EXPECT_EQ(ask_route(at(0, 0, 0), json::object()), json::array());
    EXPECT_EQ(ask_route(at(3, 17, 21), {{"only", {"refactor"}}}), json::array());
    EXPECT_EQ(ask_route(at(3, 17, 21), {{"only", {"quickfix"}}}).size(), 2u);
}

TEST_F(ServerTest, RouteAloneIsCheckedWithoutTrainErrors) {
    const std::string carried_route = line_table_bytes(dati_linea(carried_identity()).lines);
    open(folder + "Brenzola_Tessalto_linea.txt", carried_route);
    EXPECT_EQ(published(folder + "Brenzola_Tessalto_linea.txt"), json::array());
    std::string bad = small_route;
    bad.replace(bad.find("1950"), 4, "99999");
    open(route_uri, bad);
    const json on_route = published(route_uri);
    ASSERT_EQ(on_route.size(), 1u) << on_route;
    EXPECT_EQ(on_route[0]["code"], 15);
    EXPECT_EQ(on_route[0]["severity"], 1);
    EXPECT_EQ(on_route[0]["source"], "scenc");
}

// Columns count what the editor counts: "à" and "€" are one byte each in the checked text and
// one UTF-16 unit each in the editor, a character past the first plane two units and one '?'.
TEST_F(ServerTest, ColumnsAreEditorColumnsAroundCharactersBeyondAscii) {
    disk["/scen/Val_linea.txt"] = small_route;
    struct Case {
        std::string keyword;
        int column;
    };
    const Case cases[] = {{"velocit\xC3\xA0\xE2\x82\xAC", 11}, {"velocit\xF0\x9F\x98\x80", 11}};
    for (const Case& c : cases) {
        open(train_uri, "[generale]\r\n" + c.keyword + ", 12x, 5\r\n[fine]\r\n");
        const json d = published(train_uri);
        ASSERT_EQ(d.size(), 1u) << d;
        EXPECT_EQ(d[0]["code"], 25);
        EXPECT_EQ(d[0]["range"]["start"], (json{{"line", 1}, {"character", c.column}}));
        notify("textDocument/didClose", {{"textDocument", {{"uri", train_uri}}}});
    }
    // A station's name comes back as it was typed.
    open(train_uri,
         "[generale]\r\nstazione, 1000, 2, 400, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, "
         "0, 0, Citt\xC3\xA0 \xE2\x82\xAC\r\n[fine]\r\n");
    const json symbols =
        ask("textDocument/documentSymbol", {{"textDocument", {{"uri", train_uri}}}});
    EXPECT_EQ(symbols["result"][0]["children"][0]["name"], "Citt\xC3\xA0 \xE2\x82\xAC");
}

class CarriedTest : public ServerTest {
  protected:
    const std::string route = line_table_bytes(dati_linea(carried_identity()).lines);
    const std::string train = line_table_bytes(dati_treno(carried_identity()).lines);
    const std::string carried_route_uri = folder + "Brenzola_Tessalto_linea.txt";
    const std::string carried_train_uri = folder + "Brenzola_Tessalto_917-.txt";

    void SetUp() override {
        ServerTest::SetUp();
        open(carried_route_uri, route);
        open(carried_train_uri, train);
    }
    int line_of(const std::string& text, const std::string& start) const {
        return static_cast<int>(std::count(text.begin(), text.begin() + text.find(start), '\n'));
    }
    std::string hover(int line) {
        const json answer =
            ask("textDocument/hover", {{"textDocument", {{"uri", carried_train_uri}}},
                                       {"position", {{"line", line}, {"character", 2}}}});
        return answer["result"].is_null()
                   ? ""
                   : answer["result"]["contents"]["value"].get<std::string>();
    }
};

TEST_F(CarriedTest, HoverTellsTheRowInTheAuthorsUnitsAndWhatItsCellHolds) {
    const std::string signal = hover(line_of(train, "segnale,    8650"));
    EXPECT_NE(signal.find("Signal at 8+650 (cell 174)"), std::string::npos) << signal;
    EXPECT_NE(signal.find("Cell 174 holds a signal"), std::string::npos) << signal;
    // Each value with its meaning, and the cell's packed values read back into the fields.
    for (const char* text :
         {"- sx 2: left-hand code of the signal", "- s1 4: first left-hand value",
          "- d1 1: first right-hand value", "(sx 2, s1 4, s2 0, s3 0, rapp 0, dx 2, d1 1"}) {
        EXPECT_NE(signal.find(text), std::string::npos) << text << "\n" << signal;
    }
    const std::string station = hover(line_of(train, "stazione"));
    EXPECT_NE(station.find("Stretch"), std::string::npos) << station;
    EXPECT_NE(station.find("stop cell"), std::string::npos) << station;
    EXPECT_EQ(hover(0), "") << "a header is no row";
}

// Each kind of feature written at P: the hover on its row names P as written and the cell
// the row marks, as dump, diff, the view and the plot do.
TEST(LspHover, EveryFeatureShowsAtThePositionItsRowWrote) {
    const std::string& route = scenario::testing::every_kind_route;
    const std::string& train = scenario::testing::every_kind_train;
    const Model model = scenario::testing::compile(route, train).model;
    const struct {
        TextRole role;
        int line;
        const char* shown;
    } cases[] = {
        {TextRole::route, 4, "Maximum-speed boards at 3+000 (cell 61)"},
        {TextRole::route, 5, "Route sign board at 4+000 (cell 81)"},
        {TextRole::train, 3, "Station **ALFA** at 1000 m (1+000)"},
        {TextRole::train, 4, "Slowdown to 60 km/h from 5+000 (cell 101)"},
        {TextRole::train, 5, "Code drop at 6+000 (cell 120)"},
        {TextRole::train, 7, "Signal at 8+700 (cell 175)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        const EditorText text = EditorText::from_disk(c.role == TextRole::route ? route : train);
        const nlohmann::json hover = row_hover(text, c.role, c.line, 1, &model);
        ASSERT_FALSE(hover.is_null());
        const std::string value = hover["contents"]["value"];
        EXPECT_NE(value.find(c.shown), std::string::npos) << value;
    }
}

TEST_F(CarriedTest, OutlineListsSectionsWithStationsSignalsAndSlowdowns) {
    const json symbols = ask("textDocument/documentSymbol",
                             {{"textDocument", {{"uri", carried_train_uri}}}})["result"];
    std::map<std::string, std::size_t> children;
    for (const json& section : symbols) children[section["name"]] = section["children"].size();
    EXPECT_EQ(children["[stazioni]"], 35u);
    EXPECT_EQ(children["[segnali]"], 124u);
    EXPECT_EQ(children["[rallentamenti]"], 4u);
}

TEST_F(CarriedTest, CompletesTheKeywordsOfTheTextsKindWithTheirFields) {
    auto items = [&](const std::string& uri, int character) {
        return ask("textDocument/completion",
                   {{"textDocument", {{"uri", uri}}},
                    {"position", {{"line", 1}, {"character", character}}}})["result"];
    };
    const json train_items = items(carried_train_uri, 0);
    EXPECT_EQ(train_items.size(), 10u);
    EXPECT_EQ(items(carried_route_uri, 0).size(), 13u);
    for (const json& item : train_items) {
        if (item["label"] == "stazione") {
            EXPECT_NE(item["insertText"].get<std::string>().find("${17:name}"), std::string::npos);
        }
    }
    EXPECT_TRUE(items(carried_train_uri, 20).empty()) << "past the keyword field";
}

// The change of a carried text is answered within 50 ms; the sanitizers slow it about tenfold.
TEST_F(CarriedTest, AnswersAChangeOfTheCarriedTextsQuickly) {
    constexpr auto limit = std::chrono::milliseconds(sanitized ? 500 : 50);
    for (const auto& [uri, text] :
         {std::pair{carried_train_uri, train}, std::pair{carried_route_uri, route}}) {
        std::string changed = text;
        changed.insert(changed.find("[fine]"), "xx\r\n");
        const auto start = std::chrono::steady_clock::now();
        change(uri, changed);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, limit) << uri;
        EXPECT_FALSE(published(uri).is_null());
    }
}

TEST(FrameReader, ReadsBodiesInAnyPiecesAndRecoversFromBadHeaders) {
    const std::string good = framed("{\"a\":1}");
    struct Case {
        std::string name;
        std::string bytes;
        std::vector<std::string> expected;  // bodies, or "!" for a refused header
    };
    const Case cases[] = {
        {"two at once", good + good, {"{\"a\":1}", "{\"a\":1}"}},
        {"other fields", "Content-Type: x\r\ncontent-length: 2\r\n\r\n{}", {"{}"}},
        {"no length", "Content-Type: x\r\n\r\n{}" + good, {"!", "{\"a\":1}"}},
        {"length not a number", "Content-Length: 1x\r\n\r\n{}" + good, {"!", "{\"a\":1}"}},
        {"length too large",
         "Content-Length: 99999999999999999999\r\n\r\n" + good,
         {"!", "{\"a\":1}"}},
        {"line without colon", "garbage\r\n" + good, {"!", "{\"a\":1}"}},
        {"endless header", std::string(9000, 'x') + good, {"!", "{\"a\":1}"}},
        {"body still coming", "Content-Length: 10\r\n\r\n{}", {}},
    };
    for (const Case& c : cases) {
        for (std::size_t piece : {c.bytes.size(), std::size_t{1}}) {
            FrameReader reader;
            std::vector<std::string> got;
            for (std::size_t i = 0; i < c.bytes.size(); i += piece) {
                reader.feed(std::string_view(c.bytes).substr(i, piece));
                while (auto frame = reader.next()) got.push_back(frame->body ? *frame->body : "!");
            }
            // Byte by byte, the body after a refused header may be refused as one more.
            got.erase(std::unique(got.begin(), got.end(),
                                  [](const std::string& a, const std::string& b) {
                                      return a == "!" && b == "!";
                                  }),
                      got.end());
            EXPECT_EQ(got, c.expected) << c.name << " in pieces of " << piece;
        }
    }
}

TEST(ServeFrames, ARequestCancelledInTheSameReadIsAnsweredRequestCancelled) {
    LanguageServer server([](const std::string&) { return std::nullopt; }, "test");
    std::ostringstream log;
    std::vector<Frame> frames{
        {R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})", {}},
        {R"({"jsonrpc":"2.0","id":2,"method":"textDocument/documentSymbol","params":{}})", {}},
        {std::nullopt, "a header without Content-Length"},
        {R"({"jsonrpc":"2.0","method":"$/cancelRequest","params":{"id":2}})", {}}};
    const std::string out = serve_frames(server, frames, log);
    EXPECT_NE(out.find("\"code\":-32800"), std::string::npos) << out;
    EXPECT_NE(out.find("\"id\":1,"), std::string::npos) << out;
    EXPECT_NE(log.str().find("without Content-Length"), std::string::npos);
}

}  // namespace
}  // namespace scenario::scenc::lsp
