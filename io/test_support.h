// Shared pieces for tests that work on real folders and run the built programs.
#pragma once

#include <openssl/evp.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace scenario::testing {

// A fresh folder that is removed with everything in it when the test ends.
class TemporaryFolder {
  public:
    explicit TemporaryFolder(const std::string& name_part = "scenario") {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                (name_part + "-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

struct CommandResult {
    int exit_status = -1;  // -1 when the command died of a signal
    std::string output;    // standard output and standard error together
};

// Runs a shell command and collects what it prints.
inline CommandResult run_command(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    std::array<char, 4096> block{};
    std::size_t got = 0;
    while ((got = std::fread(block.data(), 1, block.size(), pipe)) > 0) {
        result.output.append(block.data(), got);
    }
    int status = ::pclose(pipe);
    if (WIFEXITED(status)) result.exit_status = WEXITSTATUS(status);
    return result;
}

inline std::string quoted(const std::filesystem::path& path) {
    std::string text = "'";
    for (char c : path.string()) text += (c == '\'') ? std::string("'\\''") : std::string(1, c);
    return text + "'";
}

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The SHA-256 of some bytes, in lower-case hex.
inline std::string sha256_hex(const std::string& bytes) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) !=
        1) {
        throw std::runtime_error("SHA-256 failed");
    }
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += hex[digest[i] >> 4];
        text += hex[digest[i] & 0xf];
    }
    return text;
}

}  // namespace scenario::testing
