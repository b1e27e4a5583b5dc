#include "scenc/commands/cli_documents.h"

#include <cctype>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <vector>

#include "io/file_output.h"
#include "scenc/common/input_files.h"

namespace scenario::scenc {
namespace {

constexpr std::string_view write_documents_option = "--write-cli-documents";

// Subcommands shown in --help: a subcommand without a group is hidden there.
std::vector<const CLI::App*> shown_subcommands(const CLI::App& program) {
    return program.get_subcommands([](const CLI::App* command) {
        return !command->get_group().empty();
    });
}

std::vector<const CLI::Option*> shown_options(const CLI::App& command) {
    return command.get_options([](const CLI::Option* option) {
        return option->nonpositional() && !option->get_group().empty();
    });
}

std::vector<const CLI::Option*> arguments_of(const CLI::App& command) {
    return command.get_options([](const CLI::Option* option) { return !option->nonpositional(); });
}

bool is_flag(const CLI::Option& option) { return option.get_items_expected_max() == 0; }

// The value's name without the validators' notes that CLI11 appends ("N:NONNEGATIVE").
std::string value_name(const CLI::Option& option) {
    std::string name = option.get_type_name();
    return name.substr(0, name.find(':'));
}

// What a value or argument names on disk, for completion: "file", "dir" or nothing.
std::string_view names_on_disk(const CLI::Option& option) {
    std::string name = value_name(option);
    if (name == "DIR") return "dir";
    bool file_word = name.find("FILE") != std::string::npos ||
                     name.find("ROUTE") != std::string::npos;
    if (file_word || !option.nonpositional()) return "file";
    return "";
}

std::vector<std::string> option_names(const CLI::Option& option) {
    std::vector<std::string> names;
    for (const std::string& name : option.get_snames()) names.push_back("-" + name);
    for (const std::string& name : option.get_lnames()) names.push_back("--" + name);
    return names;
}

// Text with the characters that scdoc reads as markup escaped.
std::string plain(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '*' || c == '_') out += '\\';
        out += c;
    }
    return out;
}

// The same for text that starts a line, where a "-" would start a list.
std::string plain_line(std::string_view text) {
    return (text.starts_with('-') ? "\\" : "") + plain(text);
}

// Help texts wrap their lines for a terminal; a manual page fills its own paragraphs.
std::string one_paragraph(std::string_view text) {
    std::string out;
    for (char c : text) out += c == '\n' ? ' ' : c;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// "Check ROUTE and TRAIN ...; writes nothing." as a NAME line wants it: a lower-case first
// word (unless it is a name in capitals) and no closing full stop.
std::string summary_line(std::string text) {
    if (text.size() > 1 && std::isupper(static_cast<unsigned char>(text[0])) &&
        std::islower(static_cast<unsigned char>(text[1]))) {
        text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    }
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string capitalised(std::string text) {
    if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}

void add_argument_synopsis(std::string& page, const CLI::Option& argument) {
    std::string name = "_" + plain(argument.get_name()) + "_";
    if (argument.get_items_expected_max() > 1) name += "...";
    page += argument.get_required() ? " " + name : " [" + name + "]";
}

void add_option_entry(std::string& page, const CLI::Option& option) {
    std::string term;
    for (const std::string& name : option_names(option)) {
        term += (term.empty() ? "*" : ", *") + plain(name) + "*";
    }
    if (!is_flag(option)) term += " _" + plain(value_name(option)) + "_";
    std::string text = plain_line(one_paragraph(option.get_description()));
    if (!option.get_default_str().empty()) {
        text += " (default: " + plain(option.get_default_str()) + ")";
    }
    page += term + "\n\t" + text + "\n\n";
}

void add_argument_entry(std::string& page, const CLI::Option& argument) {
    page += "_" + plain(argument.get_name()) + "_\n\t" +
            plain_line(one_paragraph(argument.get_description())) + "\n\n";
}

// The help footer: its exit statuses get a section of their own.
void add_footer_sections(std::string& page, const CLI::App& command) {
    std::string footer = one_paragraph(command.get_footer());
    constexpr std::string_view exit_heading = "Exit status:";
    std::size_t exit_at = footer.find(exit_heading);
    std::string description = footer.substr(0, exit_at);
    while (!description.empty() && description.back() == ' ') description.pop_back();
    if (!description.empty()) page += plain_line(description) + "\n\n";
    if (exit_at == std::string::npos) return;
    std::string statuses = footer.substr(exit_at + exit_heading.size());
    statuses.erase(0, statuses.find_first_not_of(' '));
    page += "# EXIT STATUS\n\n" + plain_line(capitalised(statuses)) + "\n\n";
}

void add_program_sections(std::string& page, const CLI::App& program) {
    const std::string name = plain(program.get_name());
    page += "*" + name + "* _SUBCOMMAND_ [_OPTIONS_] [_ARGUMENTS_]\n\n";
    page += "*" + name + "* *--help* | *--version*\n\n# DESCRIPTION\n\n";
    page += plain(one_paragraph(program.get_description())) + " Each subcommand has its own " +
            "options and its own page; *" + name + "* _SUBCOMMAND_ *--help* shows them too.\n\n";
    add_footer_sections(page, program);
    page += "# SUBCOMMANDS\n\n";
    for (const CLI::App* command : shown_subcommands(program)) {
        page += "*" + plain(command->get_name()) + "*\n\t" +
                plain(one_paragraph(command->get_description())) + " See *" +
                plain(manual_page_name(program, *command)) + "*(1).\n\n";
    }
    page += "# OPTIONS\n\n";
    for (const CLI::Option* option : shown_options(program)) add_option_entry(page, *option);
    page += "# SEE ALSO\n\n";
    std::string see_also;
    for (const CLI::App* command : shown_subcommands(program)) {
        see_also += (see_also.empty() ? "*" : ", *") + plain(manual_page_name(program, *command)) +
                    "*(1)";
    }
    page += see_also + "\n";
}

void add_subcommand_sections(std::string& page, const CLI::App& program,
                             const CLI::App& command) {
    page += "*" + plain(program.get_name()) + " " + plain(command.get_name()) + "* [_OPTIONS_]";
    for (const CLI::Option* argument : arguments_of(command)) add_argument_synopsis(page, *argument);
    page += "\n\n# DESCRIPTION\n\n" + plain(one_paragraph(command.get_description())) + "\n\n";
    add_footer_sections(page, command);
    if (!arguments_of(command).empty()) {
        page += "# ARGUMENTS\n\n";
        for (const CLI::Option* argument : arguments_of(command)) add_argument_entry(page, *argument);
    }
    page += "# OPTIONS\n\n";
    for (const CLI::Option* option : shown_options(command)) add_option_entry(page, *option);
    page += "# SEE ALSO\n\n*" + plain(program.get_name()) + "*(1)\n";
}

// Moves the EXIT STATUS section, which the footer gives before the arguments, to the end of
// the page's description sections, where manual pages keep it.
std::string exit_status_after_options(const std::string& page) {
    std::size_t exit_at = page.find("# EXIT STATUS\n");
    if (exit_at == std::string::npos) return page;
    std::size_t exit_end = page.find("\n# ", exit_at + 1);
    std::size_t see_also_at = page.find("# SEE ALSO\n");
    if (exit_end == std::string::npos || see_also_at == std::string::npos) return page;
    std::string section = page.substr(exit_at, exit_end + 1 - exit_at);
    std::string rest = page.substr(0, exit_at) + page.substr(exit_end + 1);
    see_also_at = rest.find("# SEE ALSO\n");
    return rest.insert(see_also_at, section);
}

void add_completion_case(std::string& script, const CLI::App& command, const std::string& label) {
    std::string words, file_values, folder_values, other_values;
    auto add_to = [](std::string& list, const std::string& word, std::string_view separator) {
        if (!list.empty()) list += separator;
        list += word;
    };
    for (const CLI::Option* option : shown_options(command)) {
        for (const std::string& name : option_names(*option)) {
            add_to(words, name, " ");
            if (is_flag(*option)) continue;
            std::string_view kind = names_on_disk(*option);
            add_to(kind == "file" ? file_values : kind == "dir" ? folder_values : other_values,
                   name, " | ");
        }
    }
    std::string_view arguments;
    for (const CLI::Option* argument : arguments_of(command)) {
        if (arguments.empty() || names_on_disk(*argument) == "file") {
            arguments = names_on_disk(*argument);
        }
    }
    script += "    " + label + ")\n        case $prev in\n";
    if (!file_values.empty()) script += "        " + file_values + ") _scenc_names file; return ;;\n";
    if (!folder_values.empty()) script += "        " + folder_values + ") _scenc_names dir; return ;;\n";
    if (!other_values.empty()) script += "        " + other_values + ") return ;;\n";
    script += "        esac\n        options='" + words + "'\n        arguments=" +
              std::string(arguments) + "\n        ;;\n";
}

}  // namespace

std::string manual_page_name(const CLI::App& program, const CLI::App& command) {
    if (&command == &program) return program.get_name();
    return program.get_name() + "-" + command.get_name();
}

std::string manual_page(const CLI::App& program, const CLI::App& command) {
    const std::string name = manual_page_name(program, command);
    std::string page = plain(name) + "(1)\n\n# NAME\n\n" + plain(name) + " - " +
                       plain(summary_line(one_paragraph(command.get_description()))) +
                       "\n\n# SYNOPSIS\n\n";
    if (&command == &program) {
        add_program_sections(page, program);
    } else {
        add_subcommand_sections(page, program, command);
    }
    return exit_status_after_options(page);
}

std::string bash_completion(const CLI::App& program) {
    const std::string name = program.get_name();
    std::string subcommands;
    for (const CLI::App* command : shown_subcommands(program)) {
        subcommands += (subcommands.empty() ? "" : " ") + command->get_name();
    }
    std::string script =
        "# bash completion for " + name + ", written by " + name + " from its command line.\n\n" +
        "# File or folder names for the word being completed.\n"
        "_scenc_names() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]}\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    case $1 in\n"
        "    dir) mapfile -t COMPREPLY < <(compgen -d -- \"$cur\") ;;\n"
        "    file) mapfile -t COMPREPLY < <(compgen -f -- \"$cur\") ;;\n"
        "    esac\n"
        "}\n\n"
        "_scenc() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
        "    local subcommands='" + subcommands + "'\n"
        "    local command='' word options arguments\n"
        "    COMPREPLY=()\n"
        "    for word in \"${COMP_WORDS[@]:1:COMP_CWORD-1}\"; do\n"
        "        if [[ \" $subcommands \" == *\" $word \"* ]]; then\n"
        "            command=$word\n"
        "            break\n"
        "        fi\n"
        "    done\n"
        "    case $command in\n";
    add_completion_case(script, program, "''");
    for (const CLI::App* command : shown_subcommands(program)) {
        add_completion_case(script, *command, command->get_name());
    }
    script +=
        "    esac\n"
        "    if [[ $cur == -* ]]; then\n"
        "        mapfile -t COMPREPLY < <(compgen -W \"$options\" -- \"$cur\")\n"
        "    elif [[ -z $command ]]; then\n"
        "        mapfile -t COMPREPLY < <(compgen -W \"$subcommands\" -- \"$cur\")\n"
        "    else\n"
        "        _scenc_names \"$arguments\"\n"
        "    fi\n"
        "}\n"
        "complete -F _scenc " + name + "\n";
    return script;
}

std::optional<int> write_cli_documents_if_asked(const CLI::App& program, int argc,
                                                const char* const* argv) {
    if (argc != 3 || argv[1] != write_documents_option) return std::nullopt;
    const std::filesystem::path folder = argv[2];
    return report_problems(std::cerr, [&] {
        make_folders(folder);
        auto write_page = [&](const CLI::App& command) {
            write_file_replacing(folder / (manual_page_name(program, command) + ".1.scd"),
                                 manual_page(program, command));
        };
        write_page(program);
        for (const CLI::App* command : shown_subcommands(program)) write_page(*command);
        write_file_replacing(folder / "completion.bash", bash_completion(program));
        return 0;
    });
}

}  // namespace scenario::scenc
