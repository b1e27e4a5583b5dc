#include "scenc/lsp/lsp_framing.h"

#include <charconv>

#include "compiler/row_grammar.h"

namespace scenario::scenc::lsp {

namespace {

constexpr std::string_view header_end = "\r\n\r\n";
constexpr std::string_view length_field = "content-length:";
constexpr std::size_t kept_room = std::size_t{1} << 20;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// The body length a header block gives, or why it gives none. Fields other than
// Content-Length (Content-Type) are allowed and ignored.
std::optional<std::size_t> body_length(std::string_view block, std::string& problem) {
    std::optional<std::size_t> length;
    while (!block.empty()) {
        const std::size_t end = block.find("\r\n");
        const std::string_view line = block.substr(0, end);
        block.remove_prefix(end == std::string_view::npos ? block.size() : end + 2);
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            problem = "a header line without a colon";
            return std::nullopt;
        }
        if (ascii_lowered(line.substr(0, colon + 1)) != length_field) continue;
        const std::string_view digits = trimmed(line.substr(colon + 1));
        std::size_t value = 0;
        const auto [rest, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (digits.empty() || error != std::errc{} || rest != digits.data() + digits.size() ||
            value > FrameReader::largest_body) {
            problem = "Content-Length is not a length up to " +
                      std::to_string(FrameReader::largest_body) + " bytes";
            return std::nullopt;
        }
        length = value;
    }
    if (!length) problem = "a header without Content-Length";
    return length;
}

}  // namespace

std::optional<Frame> FrameReader::next() {
    // A client may send blank lines between messages.
    while (buffer_.compare(start_, 2, "\r\n") == 0) start_ += 2;
    const std::size_t end = buffer_.find(header_end, start_);
    if (end == std::string::npos) {
        if (buffer_.size() - start_ > largest_header) {
            return skip_to_next_header("a header longer than " + std::to_string(largest_header) +
                                       " bytes");
        }
        if (start_ == buffer_.size()) buffer_.clear(), start_ = 0;
        return std::nullopt;
    }
    std::string problem;
    const std::optional<std::size_t> length =
        body_length(std::string_view(buffer_).substr(start_, end - start_), problem);
    if (!length) return skip_to_next_header(problem);
    const std::size_t body_start = end + header_end.size();
    if (buffer_.size() - body_start < *length) return std::nullopt;
    Frame frame{buffer_.substr(body_start, *length), {}};
    start_ = body_start + *length;
    // Drop what has been read once it is worth the copy, and the room a large message took
    // once it is gone: a reader that served one large message should not keep its size.
    if (start_ > buffer_.size() / 2) {
        buffer_.erase(0, start_), start_ = 0;
        if (buffer_.capacity() > kept_room && buffer_.capacity() > 2 * buffer_.size()) {
            buffer_.shrink_to_fit();
        }
    }
    return frame;
}

std::optional<std::string> FrameReader::unfinished() const {
    const std::string_view rest = std::string_view(buffer_).substr(start_);
    if (rest.find_first_not_of("\r\n") == std::string_view::npos) return std::nullopt;
    const std::size_t end = rest.find(header_end);
    if (end == std::string_view::npos) {
        return "a header without the empty line that ends it (" + std::to_string(rest.size()) +
               " bytes)";
    }
    return "a message body cut short (" + std::to_string(rest.size() - end - header_end.size()) +
           " bytes of it came)";
}

// After a header that cannot be read, reading goes on at the next Content-Length field; the
// bytes before it, a body among them, are dropped.
Frame FrameReader::skip_to_next_header(std::string problem) {
    const std::string lowered = ascii_lowered(std::string_view(buffer_).substr(start_ + 1));
    const std::size_t found = lowered.find(length_field);
    if (found == std::string::npos) {
        // Keep a tail that may be the start of the next Content-Length field.
        std::size_t keep = std::min(lowered.size(), length_field.size() - 1);
        while (keep > 0 &&
               !length_field.starts_with(std::string_view(lowered).substr(lowered.size() - keep))) {
            --keep;
        }
        buffer_.erase(0, buffer_.size() - keep);
    } else {
        buffer_.erase(0, start_ + 1 + found);
    }
    start_ = 0;
    return Frame{std::nullopt, std::move(problem)};
}

std::string framed(std::string_view body) {
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + std::string(body);
}

}  // namespace scenario::scenc::lsp
