#include "compiler/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/errors.h"

namespace scenario {
namespace {

TEST(FieldReader, ReadsTextAndNumbersAcrossCommasAndLineEnds) {
    FieldReader reader("pendenza,  5000,   -8\r\n\"a, b\" , x\r\n[fine]\r\n", "linea.txt");
    EXPECT_EQ(reader.read_text(), "pendenza");
    EXPECT_EQ(reader.read_long(), 5000);
    EXPECT_EQ(reader.read_long(), -8);
    EXPECT_EQ(reader.read_text(), "a, b");
    EXPECT_EQ(reader.read_text(), "x");
    EXPECT_EQ(reader.read_text(), "[fine]");
    EXPECT_EQ(reader.last_field_site().line, 3);
    EXPECT_TRUE(reader.at_end());
}

TEST(FieldReader, NumbersMayBeSeparatedByBlanksAndEmptyFieldsReadZero) {
    FieldReader reader("orologio,    10              49            40 \r\n  ,  ,\t0\r\n", "t");
    reader.read_text();
    EXPECT_EQ(reader.read_integer(), 10);
    EXPECT_EQ(reader.read_integer(), 49);
    EXPECT_EQ(reader.read_integer(), 40);
    EXPECT_EQ(reader.read_long(), 0);
    EXPECT_EQ(reader.read_long(), 0);
    EXPECT_EQ(reader.read_long(), 0);
    EXPECT_TRUE(reader.at_end());
}

TEST(FieldReader, TracksColumnOfEachField) {
    FieldReader reader("a\r\nsegnale,    8650,\t2\r\n", "treno.txt");
    reader.read_text();
    reader.read_text();
    reader.read_long();
    SourceLocation site = reader.last_field_site();
    EXPECT_EQ(site.file, "treno.txt");
    EXPECT_EQ(site.line, 2);
    EXPECT_EQ(site.column, 13);
    reader.read_long();
    EXPECT_EQ(reader.last_field_site().column, 19);

    // A quoted field over two lines is marked up to the end of its first line.
    FieldReader quoted("x, \"abc\r\ndef\", 7\r\n", "treno.txt");
    quoted.read_text();
    EXPECT_EQ(quoted.read_text(), "abc\r\ndef");
    EXPECT_EQ(quoted.last_field_site(), (SourceLocation{"treno.txt", 1, 4, 4}));
    EXPECT_EQ(quoted.read_long(), 7);
    EXPECT_EQ(quoted.last_field_site().line, 2);
}

TEST(FieldReader, ReadFaults) {
    struct Case {
        const char* text;
        int reads_before;  // text fields read before the failing number
        const char* why;
    };
    const Case cases[] = {
        {"12abc", 0, "text where a number is due"},
        {"1.5", 0, "a decimal"},
        {"-", 0, "a sign alone"},
        {"256", 0, "outside a Byte"},
        {"", 0, "past the end"},
        {"x,", 1, "a record cut by the end"},
        {"\"open", 0, "unclosed quote"},
    };
    for (const Case& c : cases) {
        FieldReader reader(c.text, "f");
        for (int i = 0; i < c.reads_before; ++i) reader.read_text();
        EXPECT_THROW(
            std::string(c.text) == "\"open" ? (void)reader.read_text() : (void)reader.read_byte(),
            RunTimeFault)
            << c.why;
    }
    FieldReader longs("2147483648", "f");
    EXPECT_THROW(longs.read_long(), RunTimeFault);
    FieldReader lowest("-2147483648,-32768", "f");
    EXPECT_EQ(lowest.read_long(), INT32_MIN);
    EXPECT_EQ(lowest.read_integer(), INT16_MIN);
}

TEST(FieldReader, LineOfText) {
    EXPECT_EQ(line_of_text("a\r\nbb\nccc", 2), "bb");
    EXPECT_EQ(line_of_text("a\r\nbb\nccc", 3), "ccc");
    EXPECT_EQ(line_of_text("a", 5), "");
}

// The finder walks forwards and backwards from the line it found last; every order of asking
// must give what a walk from the start gives, whatever the line ends.
TEST(FieldReader, LineFinderAgreesWithLineOfText) {
    const std::vector<std::string> texts{"a\r\nbb\nccc",    "\r\n\r\n\n",  "x\r\ry\n\rz\r\n",
                                         "\n\nlast",        "one line",    "",
                                         "a\r\r\nb\n\r\nc", "trailing\r\n"};
    const std::vector<std::vector<int>> orders{
        {1, 2, 3, 4, 5, 6}, {6, 5, 4, 3, 2, 1}, {3, 1, 4, 2, 5, 2, 6, 1}, {9, 2, 0, 7, 3}};
    for (const std::string& text : texts) {
        for (const std::vector<int>& order : orders) {
            LineFinder finder;
            for (int line : order) {
                EXPECT_EQ(finder.line(text, line), line_of_text(text, line))
                    << "line " << line << " of \"" << text << "\"";
            }
        }
    }
}

}  // namespace
}  // namespace scenario
