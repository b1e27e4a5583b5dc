// The least work any compile of a 250 km route must do: integrate the 250,001 points of the
// ground plan in double, one after the other, and write the 5 MB plan file. Nothing is parsed,
// nothing is kept: the points go to the file through one small buffer as they are computed.
// scripts/bench-run.sh times it beside the package program and the floor, as a bound on what
// any implementation can reach on the machine at hand.
//
// Usage: least_work FILE
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t points = 250001;
constexpr std::size_t element_size = 10;  // a 2-byte tag, then the double

class PieceWriter {
  public:
    explicit PieceWriter(int fd) : fd_(fd) {}
    bool put(std::uint16_t tag, double value) {
        if (used_ + element_size > buffer_.size() && !flush()) return false;
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
        std::memcpy(buffer_.data() + used_, &tag, 2);
        std::memcpy(buffer_.data() + used_ + 2, &bits, 8);
        used_ += element_size;
        return true;
    }
    bool flush() {
        const bool ok = ::write(fd_, buffer_.data(), used_) == static_cast<ssize_t>(used_);
        used_ = 0;
        return ok;
    }

  private:
    int fd_;
    std::array<char, 65536> buffer_{};
    std::size_t used_ = 0;
};

// One column: a straight step repeats the last step vector, a curve step turns it. Every
// other kilometre is curved. Each column integrates the whole plan again: cheaper than keeping
// the other column's 2 MB in fresh memory.
bool write_column(PieceWriter& out, bool y_column) {
    double x1 = 0.0, x2 = 0.0, y1 = 1.0, y2 = 0.0;
    if (!out.put(5, 0.0) || !out.put(5, y_column ? 1.0 : 0.0)) return false;
    for (std::size_t j = 2; j < points; ++j) {
        const double curvature = (j / 1000) % 2 == 1 ? 1.0 / 2000 : 0.0;
        const double dx = x1 - x2;
        const double dy = y1 - y2;
        x2 = x1;
        y2 = y1;
        x1 = x1 + dx + curvature * dy;
        y1 = y1 + dy - curvature * dx;
        if (!out.put(5, y_column ? y1 : x1)) return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: least_work FILE\n");
        return 2;
    }
    const int fd = ::open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd < 0) return 1;
    PieceWriter out(fd);
    const bool ok = write_column(out, false) && write_column(out, true) && out.flush();
    return ::close(fd) == 0 && ok ? 0 : 1;
}
