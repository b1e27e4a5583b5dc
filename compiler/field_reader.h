// Reads a scenario text as a stream of comma- and line-separated fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/diagnostic.h"

namespace scenario {

// Both scenario texts are streams of fields: a comma or a line end closes a field, so a
// record may run over several lines and a line may hold several records. The reader works
// on the text in memory and remembers where each field began, so that every error can name
// its file, line and column. Read faults (text where a number is due, a number outside its
// type, a field asked for past the end) are thrown as RunTimeFault.
class FieldReader {
  public:
    FieldReader(std::string_view text, std::string display_name);

    // True once every byte has been consumed (the end-of-file test of the parsers).
    bool at_end() const { return pos_ >= text_.size(); }

    // A text field: leading blanks skipped; runs to the next comma or line end and loses its
    // trailing blanks, or, when it starts with a double quote, runs to the closing quote and
    // may hold commas.
    std::string read_text();
    // Number fields: an optional sign and digits, ended by a blank, comma or line end; blanks
    // after the number and one following comma (or the line end) are consumed. An empty
    // field reads 0.
    std::int32_t read_long();
    std::int16_t read_integer();
    std::uint8_t read_byte();

    // Where the field returned last began (1-based line and column), and its length.
    SourceLocation last_field_site() const {
        return {name_, field_line_, field_column_, field_span_};
    }
    const std::string& display_name() const { return name_; }

  private:
    std::int64_t read_number(std::int64_t lowest, std::int64_t highest, const char* type_name);
    void skip_blanks();
    bool at_line_end() const;
    void consume_line_end();
    void mark_field_start();
    [[noreturn]] void fault(const std::string& what) const;

    std::string_view text_;
    std::string name_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::size_t line_start_ = 0;
    int field_line_ = 0;
    int field_column_ = 0;
    int field_span_ = 0;
};

// The text of a 1-based line of a scenario text, without its line end (empty past the end).
std::string_view line_of_text(std::string_view text, int line);

}  // namespace scenario
