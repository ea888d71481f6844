#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/CliOutput.h"

namespace {

using mollwick::cli::Action;
using mollwick::cli::NormaliseExtensions;
using mollwick::cli::OutputFormat;
using mollwick::cli::ParseOptions;

TEST(CliOptions, ExtensionFilterIsNormalisedAsTheWindowDoes) {
    const struct {
        const char* typed;
        const char* sent;
    } cases[] = {
        {"", "*"},
        {"*", "*"},
        {".*", "*"},
        {".jpg", "jpg"},
        {"..jpg", ".jpg"},
        {".", ""},
        {"jpg,png", "jpg,png"},
        {" .jpg", " .jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormaliseExtensions(c.typed), c.sent) << "typed: \"" << c.typed << '"';
    }
}

TEST(CliOptions, ParsesBundlesValuesAndRefusesClashes) {
    const auto parse = [](std::vector<std::string> args) { return ParseOptions(args); };

    auto r = parse({"-rane", ".jpg", "-q", "A", "--", "-c"});
    ASSERT_EQ(r.error, "");
    EXPECT_TRUE(r.options.recursive);
    EXPECT_TRUE(r.options.hidden);
    EXPECT_TRUE(r.options.quiet);
    EXPECT_EQ(r.options.compareMode, COMPARE_BY_NAME);
    EXPECT_EQ(r.options.extensions, ".jpg");
    EXPECT_EQ(r.options.folders, (std::vector<std::string>{"A", "-c"}));

    r = parse({"-n", "-c", "-ejpg", "--move-to=D", "--yes", "--export", "out.log", "A", "B"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.compareMode, COMPARE_BY_CONTENT);  // the last one given wins
    EXPECT_EQ(r.options.extensions, "jpg");
    EXPECT_EQ(r.options.action, Action::Move);
    EXPECT_EQ(r.options.destFolder, "D");
    EXPECT_TRUE(r.options.yes);
    EXPECT_EQ(r.options.output, OutputFormat::Export);
    EXPECT_EQ(r.options.exportPath, "out.log");

    // An empty filter is a value like any other: the window turns it into "*".
    r = parse({"--ext=", "A"});
    ASSERT_EQ(r.error, "");
    EXPECT_EQ(r.options.extensions, "");

    // Help and version need no folder.
    EXPECT_TRUE(parse({"--help"}).options.showHelp);
    EXPECT_TRUE(parse({"--version"}).options.showVersion);
    EXPECT_EQ(parse({"--version"}).error, "");

    const std::vector<std::string> refused[] = {
        {},
        {"-r"},
        {"-x", "A"},
        {"--bogus", "A"},
        {"A", "--move-to"},
        {"--move-to=", "A"},
        {"--delete", "--move-to", "D", "A"},
        {"--json", "--export", "f", "A"},
        {"--dry-run", "A"},
        {"--json=yes", "A"},
        {"A", "-e"},
    };
    for (const auto& args : refused) {
        std::string joined;
        for (const auto& a : args) {
            joined += a + ' ';
        }
        EXPECT_NE(parse(args).error, "") << joined;
    }
}

TEST(CliOutput, ProgressLineFitsTheTerminalAndKeepsTheNameEnd) {
    CProgressInfo info;
    info.nTotalFiles = 12;
    info.nDuplicates = 3;
    info.strCurrentFile = "/data/photos/holiday/IMG_0001.jpg";
    const std::string counts = "Total files: 12  Duplicated found: 3  ";

    EXPECT_EQ(mollwick::cli::ProgressLine(info, 200), counts + info.strCurrentFile);
    // Cut from the front, one column left free.
    EXPECT_EQ(mollwick::cli::ProgressLine(info, counts.size() + 16), counts + "...IMG_0001.jpg");
    EXPECT_EQ(mollwick::cli::ProgressLine(info, 10), counts.substr(0, 9));

    // A line break, an escape and a byte that is not UTF-8 would wreck the line;
    // a character above U+00FF takes one column.
    info.strCurrentFile = "a\nb\x1b[2Jc\xff\xc3\xa9\xe2\x82\xac";
    EXPECT_EQ(mollwick::cli::ProgressLine(info, 200), counts + "a?b?[2Jc?\xc3\xa9\xe2\x82\xac");
    EXPECT_EQ(mollwick::cli::ProgressLine(info, counts.size() + 6),
              counts + "..." + "\xc3\xa9\xe2\x82\xac");
}

}  // namespace
