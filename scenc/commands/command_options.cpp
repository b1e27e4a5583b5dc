#include "scenc/commands/command_options.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "scenc/common/input_files.h"

namespace scenario::scenc {

void add_texts_and_identity(CLI::App& command, CompileRequest& request) {
    command.add_option("ROUTE", request.route, "route text, normally STEM_linea.txt")
        ->required()
        ->type_name("FILE");
    command.add_option("TRAIN", request.train, "train text, normally STEM_N-.txt")
        ->required()
        ->type_name("FILE");
    command.add_option("--stem", request.stem,
                       "route stem, needed when ROUTE is not named STEM_linea.txt");
    command.add_option("--train-number", request.train_number,
                       "train number, needed when TRAIN is not named STEM_N-.txt");
}

void add_compiled_set_and_output(CLI::App& command, std::vector<std::filesystem::path>& inputs,
                                 std::filesystem::path& output, const std::string& output_help) {
    command
        .add_option("INPUT", inputs, "a folder holding the compiled files, or the files themselves")
        ->required();
    command.add_option("-o,--output", output, output_help)->required()->type_name("FILE");
}

CLI::Option* add_count_option(CLI::App& command, const std::string& name, std::size_t& value,
                              const std::string& help) {
    return command
        .add_option_function<std::string>(
            name,
            [&value, name](const std::string& text) {
                std::size_t count = 0;
                const char* end = text.data() + text.size();
                const auto [stop, error] = std::from_chars(text.data(), end, count);
                if (text.empty() || error != std::errc{} || stop != end) {
                    throw CLI::ValidationError(name, "\"" + text +
                                                         "\" is not a count (a whole number, "
                                                         "0 for no limit)");
                }
                value = count;
            },
            help)
        ->type_name("N")
        ->default_str(std::to_string(value));
}

void add_warning_options(CLI::App& command, WarningOptions& options) {
    command.add_flag("-w", options.silent, "show no warnings");
    command.add_flag("--werror", options.as_errors, "warnings count as errors for the exit status");
    command.add_option("-W", options.switches, "-Wno-NAME turns off the warning NAME")
        ->type_name("no-NAME")
        ->allow_extra_args(false);
    add_count_option(command, "--max-warnings", options.max_warnings,
                     "show at most N warnings (the summary counts all); 0 for no limit");
}

void add_report_options(CLI::App& command, ReportChoices& choices) {
    choices.tool_version = SCENC_VERSION;
    add_choice<ReportFormat>(command, "--format", choices.format,
                             {{"human", ReportFormat::human},
                              {"gcc", ReportFormat::gcc},
                              {"json", ReportFormat::json},
                              {"sarif", ReportFormat::sarif}},
                             "human (the default), gcc (one line per diagnostic, for editors), "
                             "json or sarif (SARIF 2.1.0)")
        ->type_name("FORMAT");
    add_choice<ColorChoice>(command, "--color", choices.color,
                            {{"auto", ColorChoice::automatic},
                             {"always", ColorChoice::always},
                             {"never", ColorChoice::never}},
                            "colour the human format: auto (when the report's stream is a "
                            "terminal), always or never")
        ->type_name("WHEN");
    add_count_option(command, "--max-errors", choices.max_errors,
                     "show at most N errors (warnings not counted); 0 for no limit");
}

void StretchOptions::add_to(CLI::App& command, const std::string& what) {
    command.add_option("--from", from, what + " from this point (decimal km, e.g. 100)")
        ->type_name("KM");
    command.add_option("--to", to, what + " up to this point (decimal km, e.g. 102.5)")
        ->type_name("KM");
}

std::optional<units::Stretch> StretchOptions::stretch() const {
    if (from.empty() && to.empty()) return std::nullopt;
    units::Stretch stretch{0, std::numeric_limits<std::int32_t>::max()};
    for (auto [text, end] : {std::pair{&from, &stretch.from}, std::pair{&to, &stretch.to}}) {
        if (text->empty()) continue;
        std::optional<std::int32_t> metres = units::metres_from_km_text(*text);
        if (!metres) throw UsageProblem(*text + ": not a distance in kilometres (e.g. 102.5)");
        *end = *metres;
    }
    const std::string asked = "--from " + (from.empty() ? "0" : from) + " --to " + to;
    if (stretch.from > stretch.to) {
        throw UsageProblem("the stretch must end after it starts (" + asked + ")");
    }
    if (stretch.from == stretch.to) {
        // Positions are whole metres: two texts may round to the same one.
        throw UsageProblem("the stretch must be at least 1 m long; positions are whole metres (" +
                           asked + ")");
    }
    return stretch;
}

}  // namespace scenario::scenc
