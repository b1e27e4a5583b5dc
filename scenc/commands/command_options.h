// Options that several subcommands share: the texts and their identity, the warning switches,
// a stretch of the line, and options that take one of a few words.
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scenc/commands/compile_commands.h"
#include "scenc/common/units.h"
#include "scenc/reports/warning_options.h"

namespace scenario::scenc {

// ROUTE, TRAIN, --stem and --train-number.
void add_texts_and_identity(CLI::App& command, CompileRequest& request);

// INPUT, a compiled set (a folder or its files), and the -o,--output file it is drawn into.
void add_compiled_set_and_output(CLI::App& command, std::vector<std::filesystem::path>& inputs,
                                 std::filesystem::path& output, const std::string& output_help);

// A count (--max-errors, --max-warnings): a whole number, 0 for no limit. The message for
// anything else is one line in the author's words.
CLI::Option* add_count_option(CLI::App& command, const std::string& name, std::size_t& value,
                              const std::string& help);

// -w, --werror, -Wno-NAME and --max-warnings, for the commands that compile texts.
void add_warning_options(CLI::App& command, WarningOptions& options);

// --format, --color and --max-errors: how diagnostics are shown, by check and by compile.
void add_report_options(CLI::App& command, ReportChoices& choices);

// The --from and --to texts of one command, in decimal kilometres.
struct StretchOptions {
    std::string from;
    std::string to;

    void add_to(CLI::App& command, const std::string& what);

    // The stretch asked for, if any; a text that is no distance throws UsageProblem.
    std::optional<units::Stretch> stretch() const;
};

// An option that takes one of a few words, each standing for a value.
template <typename Value>
CLI::Option* add_choice(CLI::App& command, const std::string& name, Value& value,
                        const std::vector<std::pair<std::string, Value>>& choices,
                        const std::string& help) {
    std::vector<std::string> words;
    for (const auto& choice : choices) words.push_back(choice.first);
    return command
        .add_option_function<std::string>(
            name,
            [&value, choices](const std::string& word) {
                for (const auto& choice : choices) {
                    if (choice.first == word) value = choice.second;
                }
            },
            help)
        ->check(CLI::IsMember(words).description(""));
}

}  // namespace scenario::scenc
