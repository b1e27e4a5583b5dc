#include "compiler/windows_1252.h"

#include <gtest/gtest.h>

namespace scenario {
namespace {

TEST(Windows1252, EveryDefinedByteComesBackFromUtf8) {
    std::string all;
    for (int byte = 1; byte < 256; ++byte) {
        if (!undefined_in_windows_1252(static_cast<char>(byte))) all += static_cast<char>(byte);
    }
    EXPECT_EQ(utf8_to_windows_1252(windows_1252_to_utf8(all)), all);
}

// One byte for each character, so that columns match: what the code page lacks is '?'.
TEST(Windows1252, CharactersOutsideTheCodePageAndBrokenUtf8BecomeOneQuestionMarkEach) {
    struct Case {
        std::string utf8;
        std::string single_byte;
    };
    const Case cases[] = {
        {"\xE2\x82\xAC \xC3\xA8", "\x80 \xE8"},  // euro sign, e grave
        {"\xF0\x9F\x98\x80x", "?x"},             // beyond the first plane
        {"\xE2\x86\x92", "?"},                   // an arrow
        {"\xEF\xBF\xBD", "?"},                   // the replacement character itself
        {"a\xC3", "a?"},                         // cut short
        {"\xC0\xAF", "??"},                      // overlong
        {"\xED\xA0\x80", "???"},                 // a surrogate
        {"\x80z", "?z"},                         // a lone continuation byte
    };
    for (const Case& c : cases) EXPECT_EQ(utf8_to_windows_1252(c.utf8), c.single_byte) << c.utf8;
}

}  // namespace
}  // namespace scenario
