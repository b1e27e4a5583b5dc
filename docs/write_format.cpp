// Writes the author's reference of the scenario texts, docs/format.md, from the row grammar:
// every kind of row with its place, its keyword and how a keyword field is matched to it, one
// row of the carried texts as an example, and a table of its fields.
//   write_format FILE          writes the reference to FILE
//   write_format --check FILE  fails when FILE differs from what would be written
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>

#include "compiler/field_reader.h"
#include "compiler/identity.h"
#include "compiler/row_grammar.h"
#include "compiler/row_scanner.h"
#include "sources/line_table.h"
#include "sources/route_text.h"
#include "sources/train_text.h"

using namespace scenario;

namespace {

// The first line of a carried text that begins a row of each kind, found as the parsers find
// rows: the line of the row's keyword field.
void find_examples(const TextDocument& document, RowPlace first_place,
                   std::map<RowKind, std::string>& examples) {
    const std::string text = line_table_bytes(document.lines);
    FieldReader reader(text, document.file_name);
    std::string field;
    auto read_field = [&] { return field = reader.read_text(); };
    if (!skip_to_general_block(reader, read_field)) return;
    RowPlace place = first_place;
    while (read_keyword_field(reader, place, read_field, [](std::string_view) {})) {
        const auto line = static_cast<std::size_t>(reader.last_field_site().line);
        const RowPlace this_place = place;
        if (place == RowPlace::route_general && closes_general_block(field))
            place = RowPlace::route_feature;
        for_each_kind_named(this_place, field, [&](RowKind kind) {
            examples.emplace(kind, document.lines.at(line - 1));
            for (const FieldGrammar& field_read : row_grammar_of(kind).fields) {
                if (field_read.type == FieldType::text) {
                    reader.read_text();
                } else {
                    read_number_field(reader, field_read.type);
                }
            }
            return true;
        });
    }
}

std::string capitalised(std::string_view text) {
    std::string out(text);
    if (!out.empty() && out[0] >= 'a' && out[0] <= 'z')
        out[0] = static_cast<char>(out[0] - 'a' + 'A');
    return out;
}

std::string cell(std::string_view text) {
    std::string out;
    for (char c : text) out += c == '|' ? std::string("\\|") : std::string(1, c);
    return out.empty() ? "" : out;
}

std::string stored_text(const FieldGrammar& field) {
    switch (field.stored) {
        case StoredForm::as_written:
            return field.stored_note.empty() ? "as written" : std::string(field.stored_note);
        case StoredForm::not_stored:
            return "not stored; " + std::string(field.stored_note);
        default:
            return std::string(field.stored_note);
    }
}

std::string matching_rule(const RowGrammar& row) {
    std::string rule = "the keyword field contains \"" + std::string(row.word) + "\"";
    if (!row.second_word.empty()) rule += " and \"" + std::string(row.second_word) + "\"";
    rule += row.letter_case == LetterCase::any ? ", in any letter case" : ", letter case exact";
    return rule;
}

std::string reference() {
    const Identity id = carried_identity();
    std::map<RowKind, std::string> examples;
    find_examples(dati_linea(id), RowPlace::route_general, examples);
    find_examples(dati_treno(id), RowPlace::train, examples);

    std::ostringstream out;
    out << "# The route and train texts: rows and fields\n\n"
        << "<!-- Written by docs/write_format.cpp from the row grammar (compiler/row_grammar.h); "
           "a test fails when this file differs from its output. Rewrite it with "
           "`cmake --build build --target format_reference`. -->\n\n"
        << "A scenario is written as two texts: the route text (`STEM_linea.txt`) and the train "
           "text (`STEM_N-.txt`). Both are read as one stream of fields: a comma or a line end "
           "ends a field, so a row may run over several lines and a line may hold several "
           "rows. A text field that starts with a double quote runs to the closing quote and "
           "may hold commas. An empty number field reads 0.\n\n"
        << "- Every field up to and including the first that contains \"" << general_block_opening
        << "\" (any letter case) is skipped.\n"
        << "- A row is a keyword field followed by the fields of its kind. The keyword field "
           "is matched by the words it contains, not by equality: \"curvas3\" is a curve. "
           "The kinds of a place are tested in the order below; every kind that matches reads "
           "its own fields in turn.\n"
        << "- A keyword field that contains \"-\" is a comment: it is discarded and the next "
           "field is read in its place, up to "
        << comment_limit(RowPlace::route_general)
        << " comments in a row in the route's general block and " << comment_limit(RowPlace::train)
        << " elsewhere; one more is examined as a keyword. Values are never tested for "
           "\"-\", so negative numbers are fine.\n"
        << "- In the route text the general block ends at the first keyword field that holds "
           "both \"[\" and \"]\" and does not begin with \"-\" (normally the next section "
           "header); the feature rows follow it. The train text's rows may stand anywhere "
           "after \"[generale]\". Other section headers are ignored fields.\n"
        << "- The last field of a text is never read as a row: end each text with \"[fine]\".\n"
        << "- A field that names no kind of its place is ignored.\n\n"
        << "Types: whole number and Long are 32-bit signed, Integer 16-bit signed, Byte 0 to "
           "255; a value outside its type, or text where a number is due, is a read fault "
           "(error 25).\n";
    for (RowPlace place : {RowPlace::route_general, RowPlace::route_feature, RowPlace::train}) {
        out << "\n## " << capitalised(place_name(place)) << "\n";
        for (const RowGrammar& row : kinds_of_place(place)) {
            out << "\n### " << capitalised(row.name) << ": `" << row.keyword << "`\n\n"
                << capitalised(row.meaning) << ".\n\n"
                << "Recognised when " << matching_rule(row) << ".\n\n";
            const auto example = examples.find(row.kind);
            if (example != examples.end()) {
                out << "Example from the carried texts:\n\n```\n" << example->second << "\n```\n\n";
            }
            out << "| # | field | type | unit | range | stored | meaning |\n"
                << "|---|---|---|---|---|---|---|\n";
            for (std::size_t i = 0; i < row.fields.size(); ++i) {
                const FieldGrammar& field = row.fields[i];
                out << "| " << i + 1 << " | `" << field.name << "` | " << type_name(field.type)
                    << " | " << cell(field.unit) << " | " << cell(field.range) << " | "
                    << cell(stored_text(field)) << " | " << cell(field.meaning) << " |\n";
            }
        }
    }
    return out.str();
}

std::string file_content(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

}  // namespace

int main(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::cerr << "usage: write_format [--check] FILE\n";
        return 2;
    }
    const std::string path = argv[argc - 1];
    const std::string written = reference();
    if (check) {
        if (file_content(path) == written) return 0;
        std::cerr << path
                  << " differs from the row grammar: rewrite it with cmake --build build "
                     "--target format_reference, or change compiler/row_grammar.h instead\n";
        return 1;
    }
    std::ofstream out(path, std::ios::binary);
    out << written;
    return out ? 0 : 1;
}
