#include "fuzz/seed_inputs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

#include "compiler/driver.h"
#include "compiler/identity.h"
#include "compiler/source_files.h"
#include "compiler/windows_1252.h"
#include "fuzz/fuzz_invariants.h"
#include "scenc/lsp/lsp_framing.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

namespace scenario::fuzzing {

namespace fs = std::filesystem;

namespace {

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

char unescaped(char c) {
    switch (c) {
        case 'n':
            return '\n';
        case 'r':
            return '\r';
        case 't':
            return '\t';
        case '0':
            return '\0';
        default:
            return c;  // \" \\ \'
    }
}

// Reads the literal that starts at `at` (an opening quote, or R" for a raw literal) and
// returns its text; `at` moves past it.
std::string read_literal(const std::string& source, std::size_t& at) {
    std::string text;
    if (source[at] == 'R') {
        std::size_t open = source.find('(', at);
        std::string close = ")" + source.substr(at + 2, open - at - 2) + "\"";
        std::size_t end = source.find(close, open);
        if (end == std::string::npos) end = source.size();
        text = source.substr(open + 1, end - open - 1);
        at = std::min(source.size(), end + close.size());
        return text;
    }
    for (++at; at < source.size() && source[at] != '"'; ++at) {
        if (source[at] == '\\' && at + 1 < source.size()) {
            text += unescaped(source[++at]);
        } else {
            text += source[at];
        }
    }
    ++at;
    return text;
}

bool starts_raw_literal(const std::string& source, std::size_t at) {
    if (source.compare(at, 2, "R\"") != 0) return false;
    return at == 0 ||
           !(std::isalnum(static_cast<unsigned char>(source[at - 1])) || source[at - 1] == '_');
}

// Skips blanks and comments between adjacent literals, which the compiler joins.
std::size_t skip_blanks_and_comments(const std::string& source, std::size_t at) {
    while (at < source.size()) {
        if (std::isspace(static_cast<unsigned char>(source[at]))) {
            ++at;
        } else if (source.compare(at, 2, "//") == 0) {
            at = source.find('\n', at);
            if (at == std::string::npos) return source.size();
        } else if (source.compare(at, 2, "/*") == 0) {
            at = source.find("*/", at);
            if (at == std::string::npos) return source.size();
            at += 2;
        } else {
            break;
        }
    }
    return at;
}

// Every string literal of a C++ source, adjacent literals joined.
std::vector<std::string> string_literals(const std::string& source) {
    std::vector<std::string> found;
    std::size_t at = 0;
    while (at < source.size()) {
        char c = source[at];
        if (source.compare(at, 2, "//") == 0 || source.compare(at, 2, "/*") == 0) {
            at = skip_blanks_and_comments(source, at);
        } else if (c == '\'') {
            // A character literal, or a digit separator such as 1'000.
            bool separator = at > 0 && std::isalnum(static_cast<unsigned char>(source[at - 1]));
            at += separator ? 1 : (source.compare(at, 2, "'\\") == 0 ? 4 : 3);
        } else if (c == '"' || starts_raw_literal(source, at)) {
            std::string joined = read_literal(source, at);
            for (std::size_t next = skip_blanks_and_comments(source, at);
                 next < source.size() && (source[next] == '"' || starts_raw_literal(source, next));
                 next = skip_blanks_and_comments(source, at)) {
                at = next;
                joined += read_literal(source, at);
            }
            found.push_back(std::move(joined));
        } else {
            ++at;
        }
    }
    return found;
}

bool contains_any_case(std::string text, const std::string& word) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text.find(word) != std::string::npos;
}

// Test fixtures are the literals of the tests that hold a whole scenario text; a route is the
// one that gives a route length.
void collect_test_fixtures(const fs::path& source_folder, Seeds& seeds) {
    for (const char* folder : {"compiler", "sources", "run", "scenc"}) {
        if (!fs::is_directory(source_folder / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(source_folder / folder)) {
            std::string name = entry.path().filename().string();
            // The tests' shared texts stand in test_models.h.
            if (!name.ends_with("_test.cpp") && name != "test_models.h") continue;
            for (std::string& text : string_literals(read_file(entry.path()))) {
                if (!contains_any_case(text, "[generale]")) continue;
                bool route = contains_any_case(text, "lunghezza");
                (route ? seeds.routes : seeds.trains).push_back(std::move(text));
            }
        }
    }
}

}  // namespace

Seeds collect_seeds(const fs::path& source_folder) {
    const Identity id = carried_identity();
    Seeds seeds{{line_table_bytes(dati_linea(id).lines)}, {line_table_bytes(dati_treno(id).lines)}};
    collect_test_fixtures(source_folder, seeds);
    return seeds;
}

// Each fixture is paired with the carried text of the other half. The fixtures' short
// routes ask for the plan; the carried route does so once, since its plan is costly.
std::vector<std::string> compile_pairs(const Seeds& seeds) {
    const std::string& route = seeds.routes.front();
    const std::string& train = seeds.trains.front();
    const std::string with_plan(1, '\1');
    const std::string without_plan(1, '\0');
    std::vector<std::string> pairs{with_plan + route + '\0' + train,
                                   without_plan + route + '\0' + train};
    for (std::size_t i = 1; i < seeds.routes.size(); ++i) {
        pairs.push_back(with_plan + seeds.routes[i] + '\0' + train);
    }
    for (std::size_t i = 1; i < seeds.trains.size(); ++i) {
        pairs.push_back(without_plan + route + '\0' + seeds.trains[i]);
    }
    return pairs;
}

namespace {

// The first number of a row (its position, for every feature row), if it has one.
std::optional<long> first_number(std::string_view row) {
    const std::size_t comma = row.find(',');
    if (comma == std::string_view::npos) return std::nullopt;
    std::size_t at = row.find_first_not_of(' ', comma + 1);
    if (at == std::string_view::npos) return std::nullopt;
    long value = 0;
    const auto [end, error] = std::from_chars(row.data() + at, row.data() + row.size(), value);
    if (error != std::errc()) return std::nullopt;
    return value;
}

// A text cut to the rows that lie before `length` metres. The general block stays, with the
// route's length and the end of its signal repetition moved to the cut.
std::string cut_text(const std::string& text, long length) {
    std::string cut;
    bool general = false;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        std::string row = text.substr(start, end - start);
        start = end + 2;
        if (!row.empty() && row[0] == '[') {
            general = row == "[generale]";
        } else if (general && row.rfind("lunghezza percorso", 0) == 0) {
            row = "lunghezza percorso,    " + std::to_string(length);
        } else if (general && row.rfind("ripetizione segnali", 0) == 0) {
            row = row.substr(0, row.rfind(',') + 1) + "    " + std::to_string(length - 2000);
        } else if (!general) {
            const std::optional<long> position = first_number(row);
            if (position && *position >= length - 500) continue;
        }
        cut += row + "\r\n";
    }
    return cut;
}

}  // namespace

std::vector<std::string> small_fixture_pairs(const Seeds& seeds) {
    const std::string short_train = cut_text(seeds.trains.front(), 3000);
    const std::string short_route = cut_text(seeds.routes.front(), 20000);
    std::set<std::string> pairs;  // many fixtures are the same text
    for (std::size_t i = 1; i < seeds.routes.size(); ++i) {
        pairs.insert('\1' + seeds.routes[i] + '\0' + short_train);
    }
    for (std::size_t i = 1; i < seeds.trains.size(); ++i) {
        pairs.insert('\0' + short_route + '\0' + seeds.trains[i]);
    }
    return {pairs.begin(), pairs.end()};
}

std::vector<std::string> small_pairs(const Seeds& seeds) {
    std::vector<std::string> pairs;
    for (long length : {3000L, 8000L, 20000L}) {
        const std::string pair =
            cut_text(seeds.routes.front(), length) + '\0' + cut_text(seeds.trains.front(), length);
        // The first byte: no error limit, and a limit of three.
        pairs.push_back('\0' + pair);
        pairs.push_back('\3' + pair);
    }
    return pairs;
}

std::vector<std::string> compiled_file_inputs(const std::vector<std::string>& compile_inputs) {
    constexpr std::size_t largest = 64 * 1024;
    std::set<std::string> inputs;  // many fixtures compile to the same files
    auto add = [&](char kind, const std::string& bytes) {
        if (bytes.size() <= largest) inputs.insert(kind + bytes);
    };
    for (const std::string& input : compile_inputs) {
        CompileInput split = split_compile_input(input);
        Model model = model_for_carried_identity();
        MemorySourceFiles sources(std::move(split.route), std::move(split.train));
        CompileOutcome outcome = memorizza_percorso(model, sources, 1);
        if (outcome.status != CompileOutcome::Status::ready) continue;
        // The kind bytes follow the reader target's choice: 0 plan, 1 records, 2 cells.
        if (outcome.files.with_plan) add('\0', plan_file_bytes(model));
        add('\1', outcome.files.records);
        add('\2', outcome.files.cells);
    }
    return {inputs.begin(), inputs.end()};
}

std::vector<std::string> lsp_inputs(const std::vector<std::string>& compile_inputs) {
    using nlohmann::json;
    const CompileInput carried = split_compile_input(compile_inputs.front());
    const std::string route_uri = "file:///f/Brenzola_Tessalto_linea.txt";
    const std::string train_uri = "file:///f/Brenzola_Tessalto_917-.txt";
    auto message = [](const std::string& method, json params, int id = 0) {
        json out = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
        if (id != 0) out["id"] = id;
        return scenc::lsp::framed(out.dump(-1, ' ', false, json::error_handler_t::replace));
    };
    auto opened = [&](const std::string& uri, const std::string& text) {
        return message("textDocument/didOpen",
                       {{"textDocument",
                         {{"uri", uri}, {"version", 1}, {"text", windows_1252_to_utf8(text)}}}});
    };
    const json at = {{"textDocument", {{"uri", train_uri}}},
                     {"position", {{"line", 40}, {"character", 2}}}};
    std::string session =
        std::string("\0\x3f") + message("initialized", json::object()) +
        opened(route_uri, carried.route) + opened(train_uri, carried.train.value_or("")) +
        message("textDocument/hover", at, 1) + message("textDocument/completion", at, 2) +
        message("textDocument/documentSymbol", {{"textDocument", at["textDocument"]}}, 3) +
        message("$/cancelRequest", {{"id", 3}}) + message("shutdown", json::object(), 4) +
        message("exit", json::object());
    std::vector<std::string> inputs{session, "\0\0Content-Length: x\r\n\r\n{}" + session.substr(2)};
    // The first byte's bits above the lowest choose the request and the edits of a pair: each
    // pair takes the next choice, so that every choice starts with inputs.
    for (std::size_t i = 0; i < compile_inputs.size(); ++i) {
        inputs.push_back(static_cast<char>(1 | (i % 64) << 1) + compile_inputs[i].substr(1));
    }
    return inputs;
}

}  // namespace scenario::fuzzing
