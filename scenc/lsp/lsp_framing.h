// The base protocol of a language server: each message is a header block ("Content-Length:
// N", CR LF after each field, an empty line) and a body of N bytes. Bytes come in as they
// arrive, in pieces of any size; whole bodies go out.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace scenario::scenc::lsp {

// One result of reading: a whole body, or a header that could not be read (the reader has
// then moved on to the next header).
struct Frame {
    std::optional<std::string> body;
    std::string problem;
};

class FrameReader {
  public:
    void feed(std::string_view bytes) { buffer_.append(bytes); }
    // The next frame once its bytes are all in; nothing while more are needed.
    std::optional<Frame> next();
    // What the bytes fed but not yet returned are, when the input ends there: nothing when
    // they are none (or blank lines), else a few words for the log.
    std::optional<std::string> unfinished() const;

    // Bodies larger than this are refused as a malformed header rather than awaited.
    static constexpr std::size_t largest_body = std::size_t{256} << 20;
    // A header block longer than this is not a header.
    static constexpr std::size_t largest_header = 8192;

  private:
    Frame skip_to_next_header(std::string problem);

    std::string buffer_;
    std::size_t start_ = 0;  // where the unread bytes begin
};

// A body with its header, ready to write.
std::string framed(std::string_view body);

}  // namespace scenario::scenc::lsp
