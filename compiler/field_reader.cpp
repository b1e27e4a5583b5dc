#include "compiler/field_reader.h"

#include <algorithm>
#include <cstring>

#include "compiler/errors.h"

namespace scenario {

namespace {

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
bool is_line_end(char c) {
    return c == '\r' || c == '\n';
}

// Record texts carry a 2-byte length in the compiled files.
constexpr std::size_t longest_text_field = 65535;

}  // namespace

FieldReader::FieldReader(std::string_view text, std::string display_name)
    : text_(text), name_(std::move(display_name)) {}

void FieldReader::skip_blanks() {
    while (!at_end() && is_blank(text_[pos_])) ++pos_;
}

bool FieldReader::at_line_end() const {
    return !at_end() && is_line_end(text_[pos_]);
}

// CR LF, a lone LF or a lone CR each end one line.
void FieldReader::consume_line_end() {
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
    line_start_ = pos_;
}

std::size_t FieldReader::next(NextByte& cache, std::size_t from) const {
    if (from >= cache.from && from <= cache.at) return cache.at;
    const void* found = from < text_.size()
                            ? std::memchr(text_.data() + from, cache.byte, text_.size() - from)
                            : nullptr;
    cache.from = from;
    cache.at = found != nullptr
                   ? static_cast<std::size_t>(static_cast<const char*>(found) - text_.data())
                   : text_.size();
    return cache.at;
}

std::size_t FieldReader::line_end(std::size_t from) const {
    return std::min(next(next_lf_, from), next(next_cr_, from));
}

std::size_t FieldReader::field_end(std::size_t from) const {
    return std::min(next(next_comma_, from), line_end(from));
}

bool FieldReader::only_blanks_before_on_line() {
    if (blank_scan_line_ != line_start_ || blank_scan_end_ > pos_) {
        blank_scan_line_ = line_start_;
        blank_scan_end_ = line_start_;
        blank_so_far_ = true;
    }
    for (; blank_so_far_ && blank_scan_end_ < pos_; ++blank_scan_end_) {
        blank_so_far_ = is_blank(text_[blank_scan_end_]);
    }
    // Once a byte that is not blank stands on the line, it stands before every later position.
    blank_scan_end_ = pos_;
    return blank_so_far_;
}

void FieldReader::mark_field_start() {
    previous_place_ = {field_line_, field_column_, field_span_};
    ++fields_begun_;
    field_line_start_ = line_start_;
    field_opens_line_ = only_blanks_before_on_line();
    field_line_ = line_;
    field_column_ = static_cast<int>(pos_ - line_start_) + 1;
    field_span_ = 0;
    field_text_ = {};
}

void FieldReader::fault(const std::string& what, FaultCause cause) const {
    throw RunTimeFault(what, last_field_site(), cause);
}

std::string_view FieldReader::whole_last_field() const {
    const std::size_t start = field_line_start_ + static_cast<std::size_t>(field_column_ - 1);
    if (field_column_ < 1 || start > text_.size()) return {};
    std::size_t end = field_end(start);
    while (end > start && is_blank(text_[end - 1])) --end;
    return text_.substr(start, end - start);
}

bool FieldReader::last_field_ends_line() const {
    const std::size_t start = field_line_start_ + static_cast<std::size_t>(field_column_ - 1);
    if (field_column_ < 1 || start > text_.size()) return false;
    const std::size_t end = field_end(start);
    return end == text_.size() || text_[end] != ',';
}

void FieldReader::return_to_line_of_last_field() {
    pos_ = field_line_start_;
    line_start_ = field_line_start_;
    line_ = field_line_;
}

void FieldReader::skip_line() {
    pos_ = line_end(pos_);
    if (!at_end()) consume_line_end();
}

std::string_view FieldReader::first_field_of_line() const {
    return text_.substr(pos_, field_end(pos_) - pos_);
}

std::string FieldReader::read_text() {
    skip_blanks();
    mark_field_start();
    if (at_end()) fault("the text ends inside a row, where a field was due");
    std::string field;
    if (text_[pos_] == '"') {
        std::size_t close = text_.find('"', pos_ + 1);
        if (close == std::string_view::npos) {
            // The field is taken to its line's end, so that a check reads on at the next line
            // instead of reading this one again.
            pos_ = line_end(pos_);
            fault("a quote opens a field and is never closed");
        }
        field = std::string(text_.substr(pos_ + 1, close - pos_ - 1));
        // A field that runs over several lines is marked on its first line, where it begins:
        // the reports underline it within that line.
        const std::size_t first_line_end = std::min(close + 1, text_.find_first_of("\r\n", pos_));
        field_span_ = static_cast<int>(first_line_end - pos_);
        field_text_ = text_.substr(pos_ + 1, close - pos_ - 1);
        // A quoted field may span lines; keep the line count right.
        for (std::size_t i = pos_; i < close; ++i) {
            if (text_[i] == '\n' || (text_[i] == '\r' && text_[i + 1] != '\n')) {
                ++line_;
                line_start_ = i + 1;
            }
        }
        // Whatever stands between the closing quote and the delimiter is not part of the field.
        pos_ = field_end(close + 1);
    } else {
        std::size_t start = pos_;
        pos_ = field_end(pos_);
        std::size_t end = pos_;
        while (end > start && is_blank(text_[end - 1])) --end;
        field = std::string(text_.substr(start, end - start));
        field_span_ = static_cast<int>(end - start);
        field_text_ = text_.substr(start, end - start);
    }
    if (field.size() > longest_text_field) fault("a text field longer than 65535 characters");
    if (!at_end()) {
        if (text_[pos_] == ',') {
            ++pos_;
        } else {
            consume_line_end();
        }
    }
    return field;
}

std::int64_t FieldReader::read_number(std::int64_t lowest, std::int64_t highest,
                                      const char* type_name) {
    skip_blanks();
    mark_field_start();
    if (at_end()) fault("the text ends inside a row, where a number was due");
    std::size_t start = pos_;
    std::string_view token = text_.substr(start, field_end(start) - start);
    token = token.substr(0, std::min(token.find(' '), token.find('\t')));
    pos_ = start + token.size();
    field_span_ = static_cast<int>(token.size());
    field_text_ = token;

    std::int64_t value = 0;
    if (!token.empty()) {
        bool negative = token[0] == '-';
        std::string_view digits = (token[0] == '-' || token[0] == '+') ? token.substr(1) : token;
        if (digits.empty())
            fault("a whole number was expected, found '" + std::string(token) + "'",
                  FaultCause::not_a_number);
        for (char c : digits) {
            if (c < '0' || c > '9')
                fault("a whole number was expected, found '" + std::string(token) + "'",
                      FaultCause::not_a_number);
            // Stop growing once far outside every type; the range test below refuses it.
            if (value <= highest + 1) value = value * 10 + (c - '0');
        }
        if (negative) value = -value;
    }
    if (value < lowest || value > highest) {
        fault(std::string(token) + " does not fit a field of " + std::to_string(lowest) + " to " +
                  std::to_string(highest) + " (" + type_name + ")",
              FaultCause::outside_type);
    }

    skip_blanks();
    if (!at_end()) {
        if (text_[pos_] == ',') {
            ++pos_;
        } else if (at_line_end()) {
            consume_line_end();
        }
    }
    return value;
}

std::int32_t FieldReader::read_long() {
    return static_cast<std::int32_t>(read_number(INT32_MIN, INT32_MAX, "Long"));
}

std::int16_t FieldReader::read_integer() {
    return static_cast<std::int16_t>(read_number(INT16_MIN, INT16_MAX, "Integer"));
}

std::uint8_t FieldReader::read_byte() {
    return static_cast<std::uint8_t>(read_number(0, 255, "Byte"));
}

std::string_view line_of_text(std::string_view text, int line) {
    std::size_t pos = 0;
    for (int current = 1; current < line; ++current) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) return {};
        pos = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    std::size_t end = text.find_first_of("\r\n", pos);
    return text.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
}

int line_count(std::string_view text) {
    int lines = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n')))
            ++lines;
    }
    return lines;
}

std::string_view LineFinder::line(std::string_view text, int line) {
    if (line < 1) return line_of_text(text, line);
    // Back: the byte before a line's start ends the line before, with the CR of a CR LF.
    while (line_ > line) {
        std::size_t end = start_ - 1;
        if (text[end] == '\n' && end > 0 && text[end - 1] == '\r') --end;
        const std::size_t previous_end =
            end == 0 ? std::string_view::npos : text.find_last_of("\r\n", end - 1);
        start_ = previous_end == std::string_view::npos ? 0 : previous_end + 1;
        --line_;
    }
    while (line_ < line) {
        const std::size_t end = text.find_first_of("\r\n", start_);
        if (end == std::string_view::npos) return {};
        start_ =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        ++line_;
    }
    const std::size_t end = text.find_first_of("\r\n", start_);
    return text.substr(start_,
                       end == std::string_view::npos ? std::string_view::npos : end - start_);
}

}  // namespace scenario
