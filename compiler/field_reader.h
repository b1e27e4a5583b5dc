// Reads a scenario text as a stream of comma- and line-separated fields.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/diagnostic.h"
#include "compiler/errors.h"

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
    // The field before the last one, and whether the last one is the first field of its line:
    // together they tell a row that stops short and takes the next line's fields as its own.
    SourceLocation previous_field_site() const {
        if (fields_begun_ == 0) return {};
        return {name_, previous_place_.line, previous_place_.column, previous_place_.span};
    }
    bool last_field_opens_line() const { return field_opens_line_; }
    // The text of the field returned last, as it stands in the scenario text.
    std::string_view last_field_text() const { return field_text_; }
    // How many fields have been begun so far.
    std::size_t fields_begun() const { return fields_begun_; }
    // The whole field the last one began, to its comma or line end, without trailing blanks
    // (a number field that faulted may have been cut at a blank), and whether a line end or
    // the end of the text, not a comma, closes it.
    std::string_view whole_last_field() const;
    bool last_field_ends_line() const;

    // Moves back to the start of the line where the last field began, so that its line is
    // read again from its first field.
    void return_to_line_of_last_field();
    // Moves on to the start of the next line whose first field passes the test (the line
    // the reader stands at, when it stands at a line start); at the end of the text when
    // none does.
    template <typename FirstFieldTest>
    void skip_to_line(FirstFieldTest test) {
        if (pos_ != line_start_) skip_line();
        while (!at_end() && !test(first_field_of_line())) skip_line();
    }

  private:
    // Where a field began, without the file name, which is the same for every field.
    struct FieldPlace {
        int line = 0;
        int column = 0;
        int span = 0;
    };
    // The next place at or after a position where one byte stands (the text's size when it
    // stands nowhere after it). Fields are read forwards, so the answer found for one field
    // usually serves the next ones too (the line end for every field of a line), and each byte
    // is searched about once, by memchr.
    struct NextByte {
        char byte;
        std::size_t from = 1;  // the answer below holds for positions from..at
        std::size_t at = 0;
    };
    std::size_t next(NextByte& cache, std::size_t from) const;
    // The comma or line end that closes a field going on at from (or the text's size).
    std::size_t field_end(std::size_t from) const;
    std::size_t line_end(std::size_t from) const;
    bool only_blanks_before_on_line();

    std::int64_t read_number(std::int64_t lowest, std::int64_t highest, const char* type_name);
    void skip_blanks();
    bool at_line_end() const;
    void consume_line_end();
    void mark_field_start();
    [[noreturn]] void fault(const std::string& what, FaultCause cause = FaultCause::other) const;
    void skip_line();
    std::string_view first_field_of_line() const;

    std::string_view text_;
    std::string name_;
    std::size_t pos_ = 0;
    int line_ = 1;
    std::size_t line_start_ = 0;
    int field_line_ = 0;
    int field_column_ = 0;
    int field_span_ = 0;
    std::size_t field_line_start_ = 0;
    bool field_opens_line_ = false;
    std::string_view field_text_;
    FieldPlace previous_place_;
    std::size_t fields_begun_ = 0;
    mutable NextByte next_comma_{','};
    mutable NextByte next_lf_{'\n'};
    mutable NextByte next_cr_{'\r'};
    // Whether the bytes from blank_scan_line_ up to blank_scan_end_ are all blanks: a long line
    // of fields is then scanned once, not again for every field on it.
    std::size_t blank_scan_line_ = 0;
    std::size_t blank_scan_end_ = 0;
    bool blank_so_far_ = true;
};

// The text of a 1-based line of a scenario text, without its line end (empty past the end).
std::string_view line_of_text(std::string_view text, int line);

// How many lines a text has as the field reader counts them: CR LF, a lone LF or a lone CR each
// end one, and the text after the last line end (empty, when the text ends with one) is a line
// too, where a field asked for at the end of the text is placed.
int line_count(std::string_view text);

// line_of_text for many lines of one text, given to every call: it moves from the line found
// last, so lines asked for in about their order (diagnostics, with a related row a little
// before) cost the bytes between them rather than a walk from the start each. It keeps only
// where it stands, so it may be copied along with a copy of its text.
class LineFinder {
  public:
    std::string_view line(std::string_view text, int line);

  private:
    int line_ = 1;
    std::size_t start_ = 0;  // where line_ begins
};

}  // namespace scenario
