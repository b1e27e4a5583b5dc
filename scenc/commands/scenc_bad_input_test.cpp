// scenc given files it cannot use, in every place a command takes a file: each run ends with
// one short message and a non-zero status, and never crashes or hangs.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "compiler/identity.h"
#include "io/test_support.h"

#ifdef SCENC_PROGRAM

namespace scenario::scenc {
namespace {

namespace fs = std::filesystem;
using scenario::testing::CommandResult;
using scenario::testing::quoted;
using scenario::testing::run_command;
using scenario::testing::TemporaryFolder;
using scenario::testing::write_bytes;

// A run that takes longer than this is a hang; timeout then ends it with status 124. A check
// reads the 100 MB text several times over (the keep-going pass, the exact compile, the
// warnings), which the sanitizers slow about tenfold.
#if defined(__SANITIZE_ADDRESS__)
constexpr const char* hang_seconds = "240";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr const char* hang_seconds = "240";
#else
constexpr const char* hang_seconds = "60";
#endif
#else
constexpr const char* hang_seconds = "60";
#endif

CommandResult scenc_within_a_minute(const std::string& arguments) {
    return run_command(std::string("timeout ") + hang_seconds + " " + quoted(SCENC_PROGRAM) + " " +
                       arguments);
}

// A text that reads like a route for 100 MB and ends in one long line with a bad number.
std::string hundred_megabyte_text() {
    constexpr std::size_t size = 100u << 20;
    std::string text = "[generale]\r\n";
    text.reserve(size);
    while (text.size() < size - (10u << 20)) text += "- riga di commento\r\n";
    text += "lunghezza percorso, ";
    text.append(size - text.size(), '7');
    return text;
}

// Makes the bad input of one kind at path (nothing at all for "missing").
void make_bad_input(const std::string& kind, const fs::path& path, const fs::path& huge) {
    if (kind == "a folder") {
        fs::create_directory(path);
    } else if (kind == "an empty file") {
        write_bytes(path, "");
    } else if (kind == "a binary file") {
        std::string bytes;
        for (int i = 0; i < 4096; ++i) bytes += static_cast<char>((i * 73) % 256);
        write_bytes(path, bytes);
    } else if (kind == "a 100 MB file") {
        fs::create_symlink(huge, path);
    } else if (kind == "a file of another format") {
        write_bytes(path, "{\"linea\": \"Brenzola_Tessalto\", \"lunghezza\": 243000}\n");
    }
}

TEST(ScencBadInput, EveryCommandRefusesUnusableFilesWithOneShortMessage) {
    TemporaryFolder folder("scenc-bad-input");
    ASSERT_EQ(scenc_within_a_minute("example " + quoted(folder / "good")).exit_status, 0);
    const Identity id = carried_identity();
    const fs::path route = folder / "good" / file_name::route_text(id);
    const fs::path train = folder / "good" / file_name::train_text(id);
    const fs::path huge = folder / "huge.txt";
    write_bytes(huge, hundred_megabyte_text());
    const fs::path compiled = folder / "good" / "out";
    ASSERT_EQ(scenc_within_a_minute("compile " + quoted(route) + " " + quoted(train) + " -o " +
                                    quoted(compiled))
                  .exit_status,
              0);

    const std::vector<std::string> kinds{"missing",       "a folder",
                                         "an empty file", "a binary file",
                                         "a 100 MB file", "a file of another format"};
    for (const std::string& kind : kinds) {
        // Each file a command takes, named as that command expects it to be named.
        const fs::path bad = folder / kind;
        fs::create_directory(bad);
        for (const char* name :
             {"bad_linea.txt", "bad_1-.txt", "bad_1.sim", "bad_1.dat", "bad_linea.dat"}) {
            make_bad_input(kind, bad / name, huge);
        }
        const fs::path out = bad / "out";
        const std::vector<std::string> commands{
            "check " + quoted(bad / "bad_linea.txt") + " " + quoted(train),
            "check " + quoted(route) + " " + quoted(bad / "bad_1-.txt"),
            "compile " + quoted(bad / "bad_linea.txt") + " " + quoted(train) +
                " --stem S --train-number 1 -o " + quoted(out),
            "compile " + quoted(route) + " " + quoted(bad / "bad_1-.txt") +
                " --stem S --train-number 1 -o " + quoted(out),
            "dump " + quoted(bad / "bad_1.sim"),
            "dump " + quoted(bad / "bad_1.dat"),
            "dump " + quoted(bad / "bad_linea.dat"),
            "plot " + quoted(bad) + " -o " + quoted(bad / "out.svg"),
            "view " + quoted(bad) + " -o " + quoted(bad / "out.html"),
            "view " + quoted(compiled) + " -o " + quoted(bad / "out.html") + " --texts " +
                quoted(bad / "bad_linea.txt") + " " + quoted(train),
            // The same unusable input on both sides is trouble, never "the same".
            "diff " + quoted(bad / "bad_1.sim") + " " + quoted(bad / "bad_1.sim"),
            "diff " + quoted(bad / "bad_1.dat") + " " + quoted(bad / "bad_1.dat"),
            "diff " + quoted(bad / "bad_linea.dat") + " " + quoted(bad / "bad_linea.dat"),
            "diff " + quoted(bad) + " " + quoted(bad),
        };
        for (const std::string& command : commands) {
            SCOPED_TRACE(kind + ": scenc " + command);
            CommandResult result = scenc_within_a_minute(command);
            EXPECT_GE(result.exit_status, 1) << result.output;  // -1: killed by a signal
            EXPECT_LE(result.exit_status, 3) << result.output;  // 124: it hung
            EXPECT_FALSE(result.output.empty());
            // A check's report holds the error and a warning or two, each cut short: what must
            // never happen is a report that grows with the file.
            EXPECT_LT(result.output.size(), 2000u) << result.output.substr(0, 2000);
            EXPECT_EQ(result.output.find("Sanitizer"), std::string::npos);
            EXPECT_FALSE(fs::exists(bad / "out.svg"));
            EXPECT_FALSE(fs::exists(bad / "out.html"));
            if (command.starts_with("diff")) {
                EXPECT_EQ(result.exit_status, 2);
            }
        }
    }
}

}  // namespace
}  // namespace scenario::scenc

#endif  // SCENC_PROGRAM
