#include "scenc/commands/cli_documents.h"

#include <gtest/gtest.h>

namespace scenario::scenc {
namespace {

// A program with one subcommand that has what scenc's subcommands have: arguments, a flag,
// an option with a default, a hidden option and a footer ending in the exit statuses.
struct SmallProgram {
    CLI::App program{"Draws *bold* scenarios.", "tool"};
    CLI::App* draw = program.add_subcommand("draw", "Draw ROUTE_FILE into a picture.");
    std::string route, output = "out_dir";
    std::vector<std::string> extra;
    bool force = false;
    int secret = 0;

    SmallProgram() {
        draw->add_option("ROUTE", route, "route text, STEM_linea.txt")->required()->type_name("FILE");
        draw->add_option("MORE", extra, "more texts");
        draw->add_flag("-f,--force", force, "replace what is there");
        draw->add_option("-o,--output", output, "folder for the\npicture")
            ->type_name("DIR")
            ->capture_default_str();
        draw->add_option("--secret", secret, "not for users")->group("");
        draw->footer("The picture is\nredrawn.\nExit status: 0 drawn; 2 a\nwrong input.");
    }
};

TEST(CliDocuments, SubcommandPageHasEachPartInPlaceWithMarkupEscaped) {
    SmallProgram small;
    const std::string page = manual_page(small.program, *small.draw);
    EXPECT_EQ(manual_page_name(small.program, *small.draw), "tool-draw");
    EXPECT_EQ(page.rfind("tool-draw(1)\n\n# NAME\n\ntool-draw - draw ROUTE\\_FILE into a picture\n", 0), 0u)
        << page;
    EXPECT_NE(page.find("*tool draw* [_OPTIONS_] _ROUTE_ [_MORE_...]\n"), std::string::npos) << page;
    EXPECT_NE(page.find("The picture is redrawn.\n"), std::string::npos) << page;
    EXPECT_NE(page.find("_ROUTE_\n\troute text, STEM\\_linea.txt\n"), std::string::npos) << page;
    EXPECT_NE(page.find("*-f*, *--force*\n\treplace what is there\n"), std::string::npos) << page;
    EXPECT_NE(page.find("*-o*, *--output* _DIR_\n\tfolder for the picture (default: out\\_dir)\n"),
              std::string::npos)
        << page;
    EXPECT_EQ(page.find("secret"), std::string::npos) << page;
    // Exit statuses come after the options, just before SEE ALSO.
    const std::size_t options = page.find("# OPTIONS"), exit = page.find("# EXIT STATUS\n\n0 drawn; 2 a wrong input.\n");
    const std::size_t see_also = page.find("# SEE ALSO\n\n*tool*(1)\n");
    ASSERT_NE(exit, std::string::npos) << page;
    EXPECT_LT(options, exit);
    EXPECT_LT(exit, see_also);
}

TEST(CliDocuments, ProgramPageListsSubcommandsAndTheirPages) {
    SmallProgram small;
    small.program.add_subcommand("hidden", "Not shown.")->group("");
    const std::string page = manual_page(small.program, small.program);
    EXPECT_EQ(page.rfind("tool(1)\n\n# NAME\n\ntool - draws \\*bold\\* scenarios\n", 0), 0u) << page;
    EXPECT_NE(page.find("*draw*\n\tDraw ROUTE\\_FILE into a picture. See *tool-draw*(1).\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("*-h*, *--help*\n"), std::string::npos) << page;
    EXPECT_EQ(page.find("hidden"), std::string::npos) << page;
}

TEST(CliDocuments, CompletionKnowsSubcommandsOptionsAndWhatValuesName) {
    SmallProgram small;
    const std::string script = bash_completion(small.program);
    EXPECT_NE(script.find("local subcommands='draw'"), std::string::npos) << script;
    EXPECT_NE(script.find("    draw)\n"), std::string::npos) << script;
    EXPECT_NE(script.find("options='-h --help -f --force -o --output'"), std::string::npos) << script;
    EXPECT_NE(script.find("-o | --output) _scenc_names dir; return ;;"), std::string::npos) << script;
    EXPECT_NE(script.find("arguments=file"), std::string::npos) << script;
    EXPECT_EQ(script.find("secret"), std::string::npos) << script;
    EXPECT_NE(script.find("complete -F _scenc tool\n"), std::string::npos) << script;
}

TEST(CliDocuments, OtherArgumentsAreLeftToTheProgram) {
    SmallProgram small;
    const char* help[] = {"tool", "--help"};
    const char* write_without_folder[] = {"tool", "--write-cli-documents"};
    EXPECT_FALSE(write_cli_documents_if_asked(small.program, 2, help));
    EXPECT_FALSE(write_cli_documents_if_asked(small.program, 2, write_without_folder));
}

}  // namespace
}  // namespace scenario::scenc
