// The fuzzers' dictionary (fuzz/scenario.dict) holds every row keyword of the grammar as the
// texts write it, with its comma, and the headers: a keyword added to the grammar and left out
// of the dictionary would leave the fuzzer to find that row by chance.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "compiler/row_grammar.h"
#include "compiler/row_scanner.h"

namespace scenario {
namespace {

// A hex digit's value; the dictionary writes \xNN with two of them.
int hex_value(char c) {
    return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

// The entries of a libFuzzer dictionary: the quoted text of each NAME="..." line, with its
// escapes (\\, \" and \xNN) undone.
std::set<std::string> dictionary_entries(const std::filesystem::path& path) {
    std::set<std::string> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t open = line.find('"');
        const std::size_t close = line.rfind('"');
        if (line.empty() || line[0] == '#' || open == std::string::npos || close <= open) continue;
        std::string entry;
        for (std::size_t i = open + 1; i < close; ++i) {
            if (line[i] != '\\' || i + 1 >= close) {
                entry += line[i];
            } else if (line[i + 1] == 'x' && i + 3 < close) {
                entry += static_cast<char>(hex_value(line[i + 2]) * 16 + hex_value(line[i + 3]));
                i += 3;
            } else {
                entry += line[++i];
            }
        }
        entries.insert(entry);
    }
    return entries;
}

TEST(FuzzDictionary, HoldsEveryRowKeywordAndTheHeaders) {
    const std::set<std::string> entries =
        dictionary_entries(std::filesystem::path(SOURCE_FOLDER) / "fuzz" / "scenario.dict");
    ASSERT_FALSE(entries.empty());
    for (const RowGrammar& kind : row_grammar) {
        EXPECT_TRUE(entries.contains(std::string(kind.keyword) + ","))
            << "no entry \"" << kind.keyword << ",\" for the " << kind.name << " row";
    }
    EXPECT_TRUE(entries.contains(std::string(general_block_opening)));
    EXPECT_TRUE(entries.contains("[fine]"));
    EXPECT_TRUE(entries.contains("\r\n"));
}

}  // namespace
}  // namespace scenario
