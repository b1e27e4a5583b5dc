// Hostile names through every output of scenc: a station name or a file name holding markup,
// a comment opener before a script tag, quotes, a backslash, terminal control sequences, CR,
// NUL, the bytes 0x80 to 0x9F or 10,000 bytes stays inert. The terminal sees no raw control
// byte, the JSON parses and gives the name back, the view's data cannot end or swallow its
// script, the SVG is well-formed and the gcc format keeps one line per diagnostic.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "compiler/identity.h"
#include "compiler/windows_1252.h"
#include "io/test_support.h"
#include "scenc/commands/program_test_support.h"
#include "scenc/lsp/language_server.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using scenario::testing::CommandResult;
using scenario::testing::quoted;
using scenario::testing::read_bytes;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;
using testing::scenc;

struct HostileName {
    const char* what;
    std::string name;  // single-byte, as in the texts and the record file
    bool fits_a_row;   // a text row can hold it: no comma, CR, LF or NUL
};

std::string bytes_0x80_to_0x9f() {
    std::string bytes;
    for (int b = 0x80; b <= 0x9F; ++b) bytes += static_cast<char>(b);
    return bytes;
}

const std::vector<HostileName> hostile_names{
    {"markup", "<img src=x onerror=alert(1)>", true},
    {"comment before a script", "<!--<script>", true},
    {"quotes", "\"double\" 'single'", true},
    {"backslash", "back\\slash \\u0041 \\", true},
    {"escape sequences",
     "\x1b[2J\x1b"
     "c\x1b]0;title\x07\x1b[8mhidden\x7f\x01",
     true},
    {"carriage return", "over\rwritten", false},
    {"NUL", std::string("before\0after", 12), false},
    {"bytes 0x80 to 0x9F", bytes_0x80_to_0x9f(), true},
    {"10,000 bytes", std::string(10000, 'W'), true},
};

// What may reach a terminal: printable text, tabs and line ends; no C0 or C1 control, no DEL,
// no byte that is not valid UTF-8.
void expect_terminal_safe(const std::string& output, const std::string& what) {
    for (std::size_t i = 0; i < output.size(); ++i) {
        const auto byte = static_cast<unsigned char>(output[i]);
        const bool control = (byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F;
        const bool c1 = byte == 0xC2 && i + 1 < output.size() &&
                        static_cast<unsigned char>(output[i + 1]) < 0xA0;
        if (control || c1) {
            ADD_FAILURE() << what << ": raw control byte " << int(byte) << " at " << i;
            return;
        }
    }
    EXPECT_TRUE(json(output).dump(-1, ' ', false, json::error_handler_t::strict).size() > 0)
        << what << ": not valid UTF-8";
}

bool holds_string(const json& value, const std::string& wanted) {
    if (value.is_string()) return value.get<std::string>().find(wanted) != std::string::npos;
    if (value.is_structured()) {
        for (const json& item : value) {
            if (holds_string(item, wanted)) return true;
        }
    }
    return false;
}

// The record file with station 1 renamed.
std::string with_station_name(std::string records, const std::string& name) {
    const auto text_length = [&](std::size_t at) {
        return static_cast<std::size_t>(static_cast<unsigned char>(records[at + 14])) |
               static_cast<std::size_t>(static_cast<unsigned char>(records[at + 15])) << 8;
    };
    const std::size_t station = 34 + text_length(0);
    records.replace(station + 16, text_length(station), name);
    records[station + 14] = static_cast<char>(name.size() & 0xFF);
    records[station + 15] = static_cast<char>(name.size() >> 8);
    return records;
}

struct CompiledPair {
    TemporaryFolder folder{"hostile"};
    Identity id = carried_identity();
    fs::path texts = folder / "texts";
    fs::path clean = folder / "clean";
    fs::path hostile = folder / "hostile";

    CompiledPair() {
        EXPECT_EQ(scenc("example " + quoted(texts)).exit_status, 0);
        EXPECT_EQ(scenc("compile " + quoted(texts / file_name::route_text(id)) + " " +
                        quoted(texts / file_name::train_text(id)) + " -o " + quoted(clean))
                      .exit_status,
                  0);
        fs::copy(clean, hostile);
    }
    void name_station(const std::string& name) {
        write_bytes(hostile / file_name::records(id),
                    with_station_name(read_bytes(clean / file_name::records(id)), name));
    }
};

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// The carried train text with its MONTESILVANO row replaced by a station of that name at
// 100 m, too close to the one before, so that the check and the server name the row.
const std::string montesilvano_row =
    "stazione,    7000, 12,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, MONTESILVANO";

std::string train_naming(std::string train, const std::string& name) {
    train.replace(
        train.find(montesilvano_row), montesilvano_row.size(),
        "stazione,     100, 12,  500,  0, 0, 0,  1,1,0,  4,1,1,    0,   0, 0, 0, " + name);
    return train;
}

TEST(HostileText, StationNamesInTheCompiledFilesAreInertInEveryOutput) {
    CompiledPair pair;
    // The record and cell files alone: the plan file has no names and takes most of the time.
    const fs::path records = pair.hostile / file_name::records(pair.id);
    const std::string hostile_set =
        quoted(records) + " " + quoted(pair.hostile / file_name::cells(pair.id));
    const std::string clean_records = quoted(pair.clean / file_name::records(pair.id));
    ASSERT_EQ(scenc("view " + clean_records + " " + quoted(pair.clean / file_name::cells(pair.id)) +
                    " -o " + quoted(pair.folder / "clean.html"))
                  .exit_status,
              0);
    const std::string clean_page = read_bytes(pair.folder / "clean.html");
    for (const HostileName& hostile : hostile_names) {
        SCOPED_TRACE(hostile.what);
        pair.name_station(hostile.name);
        const std::string utf8 = windows_1252_to_utf8(hostile.name);

        CommandResult table = scenc("dump " + quoted(records));
        EXPECT_EQ(table.exit_status, 0) << table.output;
        expect_terminal_safe(table.output, "dump");

        CommandResult dumped = scenc("dump --json " + quoted(records));
        ASSERT_EQ(dumped.exit_status, 0) << dumped.output;
        EXPECT_TRUE(holds_string(json::parse(dumped.output), utf8)) << "dump --json";

        CommandResult changes = scenc("diff " + clean_records + " " + quoted(records));
        EXPECT_EQ(changes.exit_status, 1) << changes.output;
        expect_terminal_safe(changes.output, "diff");
        CommandResult changes_json = scenc("diff --json " + clean_records + " " + quoted(records));
        EXPECT_TRUE(holds_string(json::parse(changes_json.output), utf8)) << "diff --json";

        const fs::path page_path = pair.folder / "page.html";
        ASSERT_EQ(scenc("view " + hostile_set + " -o " + quoted(page_path)).exit_status, 0);
        const std::string page = read_bytes(page_path);
        EXPECT_EQ(count_of(page, "</script"), count_of(clean_page, "</script"));
        EXPECT_EQ(count_of(page, "<!--"), count_of(clean_page, "<!--"));
        EXPECT_EQ(count_of(page, "<script"), count_of(clean_page, "<script"));

        const fs::path picture = pair.folder / "plot.svg";
        ASSERT_EQ(scenc("plot " + hostile_set + " -o " + quoted(picture)).exit_status, 0);
        CommandResult well_formed =
            scenario::testing::run_command("xmllint --noout " + quoted(picture));
        EXPECT_EQ(well_formed.exit_status, 0) << well_formed.output;
    }
}

// The texts' own rows and the paths of the texts, through every format of check.
TEST(HostileText, NamesInTextsAndFileNamesAreInertInEveryCheckFormat) {
    CompiledPair pair;
    const std::string route_name = file_name::route_text(pair.id);
    const std::string train_name = file_name::train_text(pair.id);
    const std::string carried_train = read_bytes(pair.texts / train_name);
    ASSERT_NE(carried_train.find(montesilvano_row), std::string::npos);
    // A folder whose name holds a line end, escape sequences and a C1 control (as UTF-8, so
    // that JSON can give it back).
    const fs::path odd_folder = pair.folder / "line\nend \x1b[2J\x1b]0;title\x07 \xc2\x9b";
    fs::create_directories(odd_folder);
    fs::copy_file(pair.texts / route_name, odd_folder / route_name);
    for (const HostileName& hostile : hostile_names) {
        if (!hostile.fits_a_row) continue;
        SCOPED_TRACE(hostile.what);
        const std::string train = train_naming(carried_train, hostile.name);
        write_bytes(odd_folder / train_name, train);
        const std::string texts =
            quoted(odd_folder / route_name) + " " + quoted(odd_folder / train_name);

        CommandResult human = scenc("check " + texts);
        EXPECT_EQ(human.exit_status, 1) << human.output;
        expect_terminal_safe(human.output, "human");

        CommandResult gcc = scenc("check --format gcc " + texts);
        expect_terminal_safe(gcc.output, "gcc");
        CommandResult machine = scenc("check --format json " + texts);
        const json report = json::parse(machine.output);
        EXPECT_EQ(count_of(gcc.output, "\n"), report["diagnostics"].size()) << gcc.output;
        EXPECT_EQ(report["train"], (odd_folder / train_name).string());
        EXPECT_TRUE(holds_string(report, (odd_folder / train_name).string()));

        CommandResult sarif = scenc("check --format sarif " + texts);
        const json log = json::parse(sarif.output);
        EXPECT_EQ(log["version"], "2.1.0");
    }
}

// The language server's replies about a train text with the name in a station row (the
// station too close to the one before, so that a diagnostic names the row), and its outline:
// every reply is valid JSON (UTF-8), and the outline gives the name back.
TEST(HostileText, LanguageServerRepliesStayValidJson) {
    CompiledPair pair;
    const std::string route = read_bytes(pair.texts / file_name::route_text(pair.id));
    const std::string carried_train = read_bytes(pair.texts / file_name::train_text(pair.id));
    const std::string route_uri = "file:///f/Brenzola_Tessalto_linea.txt";
    const std::string train_uri = "file:///f/Brenzola_Tessalto_917-.txt";
    for (const HostileName& hostile : hostile_names) {
        if (!hostile.fits_a_row) continue;
        SCOPED_TRACE(hostile.what);
        const std::string train = train_naming(carried_train, hostile.name);
        lsp::LanguageServer server([](const std::string&) { return std::nullopt; }, "test");
        std::vector<json> replies;
        int id = 0;
        const auto send = [&](const std::string& method, const json& params, bool request) {
            json message{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
            if (request) message["id"] = ++id;
            for (json& reply : server.handle(message)) replies.push_back(std::move(reply));
        };
        const auto open = [&](const std::string& uri, const std::string& text) {
            send("textDocument/didOpen",
                 {{"textDocument",
                   {{"uri", uri},
                    {"languageId", "plaintext"},
                    {"version", 1},
                    {"text", windows_1252_to_utf8(text)}}}},
                 false);
        };
        send("initialize", json::object(), true);
        open(route_uri, route);
        open(train_uri, train);
        send("textDocument/documentSymbol", {{"textDocument", {{"uri", train_uri}}}}, true);
        send("textDocument/hover",
             {{"textDocument", {{"uri", train_uri}}},
              {"position", {{"line", 36}, {"character", 80}}}},
             true);
        ASSERT_FALSE(replies.empty());
        std::string all;
        for (const json& reply : replies) {
            const std::string body = reply.dump(-1, ' ', false, json::error_handler_t::strict);
            EXPECT_EQ(json::parse(body), reply);
            all += body;
        }
        EXPECT_NE(all.find("publishDiagnostics"), std::string::npos);
        // A quoted field loses its quotes, and the editor's text has no character for the bytes
        // Windows-1252 leaves undefined: those names cannot come back as they were.
        if (hostile.name.find('"') == std::string::npos && hostile.name != bytes_0x80_to_0x9f()) {
            EXPECT_TRUE(holds_string(json(replies), windows_1252_to_utf8(hostile.name)))
                << "the outline names the station";
        }
    }
}

}  // namespace
}  // namespace scenario::scenc

#endif  // SCENC_PROGRAM
