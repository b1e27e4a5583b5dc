#include "scenc/input_files.h"

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

#include "io/exit_status.h"
#include "io/file_input.h"

namespace scenario::scenc {

std::string read_input_file(const std::filesystem::path& path) {
    std::optional<std::string> content;
    try {
        content = read_whole_file(path);
    } catch (const SystemFailure& failure) {
        if (failure.error_number == EISDIR) throw UsageProblem(path.string() + ": is a folder");
        throw UsageProblem(path.string() +
                           ": cannot be read: " + std::strerror(failure.error_number));
    }
    if (!content) throw UsageProblem(path.string() + ": no such file");
    return std::move(*content);
}

std::string read_scenario_text(const std::filesystem::path& path) {
    std::string text = read_input_file(path);
    if (text.empty()) throw UsageProblem(path.string() + ": the file is empty");
    if (text.find('\0') != std::string::npos) {
        throw UsageProblem(path.string() + ": not a scenario text (it holds binary data)");
    }
    return text;
}

std::string system_failure_line(const SystemFailure& failure) {
    return "scenc: " + failure.path.string() + ": " + std::strerror(failure.error_number) +
           " (system error " + std::to_string(failure.error_number) + ")";
}

int report_problems(std::ostream& err, const std::function<int()>& subcommand) {
    try {
        return subcommand();
    } catch (const UsageProblem& problem) {
        err << "scenc: " << problem.what() << "\n";
        return usage_problem_status;
    } catch (const SystemFailure& failure) {
        err << system_failure_line(failure) << "\n";
        return exit_status::system_failure;
    } catch (const std::exception& failure) {
        err << "scenc: " << failure.what() << "\n";
        return exit_status::system_failure;
    }
}

namespace {

// Code points of bytes 0x80..0x9F; the five bytes the code page leaves undefined become the
// replacement character.
constexpr std::array<char32_t, 32> windows_1252_high{
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

void append_utf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string single_byte_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        auto byte = static_cast<std::uint8_t>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            append_utf8(out, windows_1252_high[byte - 0x80]);
        } else {
            append_utf8(out, byte);
        }
    }
    return out;
}

}  // namespace scenario::scenc
