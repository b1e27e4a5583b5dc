#include "compiler/contest_codes.h"

#include <string>

#include "compiler/row_grammar.h"

namespace scenario {

namespace {

// Completes short identities so that the sums always have their 25 characters.
constexpr const char* contest_filler = "aabbccddeeffgghhiillmmnnoo";
constexpr std::size_t contest_length = 25;

// Train number first, then route stem, lowered, then the filler; kept in current_field.
const std::string& build_contest_text(Model& model) {
    std::string text = model.records[record_slot::train_identity].text +
                       model.records[record_slot::route_identity].text;
    text = ascii_lowered(text) + contest_filler;
    model.current_field = std::move(text);
    return model.current_field;
}

// The single-byte code of the character at 0-based position i (bytes of 128 and up count
// with their own value).
std::int32_t character_code(const std::string& text, std::size_t i) {
    return static_cast<unsigned char>(text[i]);
}

}  // namespace

std::int16_t codice_gara_og(Model& model) {
    const std::string& text = build_contest_text(model);
    std::int32_t total = 0;
    for (std::size_t i = 0; i < contest_length; ++i) total += character_code(text, i);
    return static_cast<std::int16_t>(total);  // at most 25 * 255
}

std::int32_t codice_gara_st(Model& model) {
    const std::string& text = build_contest_text(model);
    std::int32_t total = 0;
    for (std::size_t i = 0; i < contest_length; ++i) {
        total += character_code(text, i) * static_cast<std::int32_t>(i + 1);
    }
    return total;
}

}  // namespace scenario
