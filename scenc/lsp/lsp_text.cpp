#include "scenc/lsp/lsp_text.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>
#include <stdexcept>

#include "compiler/field_reader.h"
#include "compiler/windows_1252.h"

namespace scenario::scenc::lsp {

EditorText EditorText::from_editor(std::string utf8) {
    EditorText text;
    text.single_byte_ = utf8_to_windows_1252(utf8);
    text.utf8_ = std::move(utf8);
    return text;
}

EditorText EditorText::from_disk(std::string single_byte) {
    EditorText text;
    text.utf8_ = windows_1252_to_utf8(single_byte);
    text.single_byte_ = std::move(single_byte);
    return text;
}

namespace {

// Positions and ranges go out with every diagnostic: built key by key, as a braced list of
// pairs first builds each pair as an array of its own.
nlohmann::json place_object(int line, int character) {
    nlohmann::json out = nlohmann::json::object();
    out["line"] = line;
    out["character"] = character;
    return out;
}

nlohmann::json range_object(nlohmann::json start, nlohmann::json end) {
    nlohmann::json out = nlohmann::json::object();
    out["start"] = std::move(start);
    out["end"] = std::move(end);
    return out;
}

}  // namespace

// Each byte of the single-byte text is one character of the editor's text, which takes two
// UTF-16 code units when it lies beyond the first plane.
nlohmann::json EditorText::position(int line, int byte_column) const {
    std::string_view rest = utf8_lines_.line(utf8_, line);
    int units = 0;
    for (int i = 0; i < byte_column && !rest.empty(); ++i) {
        const Utf8Character character = next_utf8_character(rest);
        rest.remove_prefix(character.bytes);
        units += character.code > 0xFFFF ? 2 : 1;
    }
    return place_object(std::max(line - 1, 0), units);
}

nlohmann::json EditorText::range(const SourceLocation& place) const {
    const int line = std::max(place.line, 1);
    if (place.line == 0 || place.column == 0) {
        const auto length = static_cast<int>(single_byte_lines_.line(single_byte_, line).size());
        return range_object(position(line, 0), position(line, length));
    }
    const int start = place.column - 1;
    return range_object(position(line, start), position(line, start + std::max(place.span, 1)));
}

nlohmann::json EditorText::edit_range(const SourceLocation& place) const {
    const int start = std::max(place.column - 1, 0);
    return {{"start", position(place.line, start)},
            {"end", position(place.line, start + std::max(place.span, 0))}};
}

bool EditorText::holds_as_checked(const SourceLocation& place) const {
    const std::string_view checked = single_byte_lines_.line(single_byte_, place.line);
    std::string_view editor = utf8_lines_.line(utf8_, place.line);
    const auto start = static_cast<std::size_t>(std::max(place.column - 1, 0));
    const std::size_t end =
        std::min(checked.size(), start + static_cast<std::size_t>(std::max(place.span, 0)));
    for (std::size_t i = 0; i < end && !editor.empty(); ++i) {
        const Utf8Character character = next_utf8_character(editor);
        if (i >= start && checked[i] == '?' && character.code != U'?') return false;
        editor.remove_prefix(character.bytes);
    }
    return true;
}

std::string_view EditorText::line_end() const {
    const std::size_t end = utf8_.find_first_of("\r\n");
    if (end == std::string::npos || utf8_.compare(end, 2, "\r\n") == 0) return "\r\n";
    return utf8_[end] == '\n' ? "\n" : "\r";
}

namespace {

// A line or character number of a position: a whole number, not negative, held within the
// range of int.
int coordinate(const nlohmann::json& value) {
    if (!value.is_number_integer())
        throw std::invalid_argument("a position is not two whole numbers");
    const auto number = value.get<std::int64_t>();
    if (number < 0) throw std::invalid_argument("a position holds a negative number");
    return static_cast<int>(std::min<std::int64_t>(number, std::numeric_limits<int>::max() - 1));
}

// The number of lines an editor shows for a text: one more than its line ends.
std::int64_t line_count(std::string_view text) {
    std::int64_t lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            ++lines;
        }
    }
    return lines;
}

}  // namespace

std::pair<int, int> EditorText::byte_place(const nlohmann::json& position) const {
    const int line = coordinate(position.at("line")) + 1;
    const int units = coordinate(position.at("character"));
    // A character past the line's end stands at its end, but a line past the text's is no
    // place in it.
    const std::int64_t lines = line_count(utf8_);
    if (line > lines) {
        throw std::invalid_argument("line " + std::to_string(line - 1) +
                                    " lies past the end of the document (lines 0 to " +
                                    std::to_string(lines - 1) + ")");
    }
    std::string_view rest = utf8_lines_.line(utf8_, line);
    int bytes = 0;
    for (int seen = 0; seen < units && !rest.empty(); ++bytes) {
        const Utf8Character character = next_utf8_character(rest);
        rest.remove_prefix(character.bytes);
        seen += character.code > 0xFFFF ? 2 : 1;
    }
    return {line, bytes};
}

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percent_decoded(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_value(text[i + 1]) >= 0 &&
            hex_value(text[i + 2]) >= 0) {
            out += static_cast<char>(hex_value(text[i + 1]) * 16 + hex_value(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string percent_encoded(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || std::string_view("-._~").find(c) != std::string_view::npos) {
            out += c;
        } else {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 0xF];
        }
    }
    return out;
}

std::size_t name_start(std::string_view uri) {
    const std::size_t slash = uri.find_last_of('/');
    return slash == std::string_view::npos ? uri.find(':') + 1 : slash + 1;
}

}  // namespace

std::string file_name_of(std::string_view uri) {
    return percent_decoded(uri.substr(name_start(uri)));
}

std::string folder_of(std::string_view uri) {
    return std::string(uri.substr(0, name_start(uri)));
}

std::string sibling_uri(std::string_view uri, std::string_view file_name) {
    return folder_of(uri) + percent_encoded(file_name);
}

std::optional<std::string> path_of(std::string_view uri) {
    constexpr std::string_view scheme = "file://";
    if (!uri.starts_with(scheme)) return std::nullopt;
    std::string path = percent_decoded(uri.substr(scheme.size()));
    // file://host/path names another machine.
    if (!path.starts_with('/')) return std::nullopt;
    return path;
}

}  // namespace scenario::scenc::lsp
