// The export file: its exact bytes, its encoding and how it fails.

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

#include "actions/ExportWriter.h"
#include "tests/support/ResultsBuilder.h"
#include "tests/support/TempFolder.h"

namespace {

using mollwick::test::ReadFile;
using mollwick::test::TempFolder;
using mollwick::test::WriteFile;

std::unique_ptr<CFileRecord> Record(const std::string& name, const std::string& folder,
                                    std::uint32_t size, bool selected = false) {
    auto record = std::make_unique<CFileRecord>();
    record->strName = name;
    record->strFolder = folder;
    record->strModified = "2022/03/07 14:05:09";
    record->nSize = size;
    record->bSelected = selected;
    return record;
}

void AddGroup(CResultMap& results, const CDigestKey& key,
              std::initializer_list<std::string> names) {
    std::vector<std::unique_ptr<CFileRecord>> records;
    for (const std::string& name : names) {
        records.push_back(Record(name, "/data/", 12345));
    }
    mollwick::test::AddRecords(results, key, std::move(records));
}

using mollwick::test::Key;

std::string Line(const std::string& name) {
    return "File name: " + name +
           " path: /data/ Last modif: 2022/03/07 14:05:09 size (bytes): 12345\r\n";
}

TEST(ExportWriter, WritesTheGroupsByteForByte) {
    CResultMap results;
    AddGroup(results, Key('A'), {"a.txt", "b.txt", "c.txt"});
    AddGroup(results, Key('5'), {"lone.txt"});  // no duplicate: never written
    AddGroup(results, Key('3'), {"x", "y"});
    // Marks play no part.
    results[Key('3')]->others.front()->bSelected = true;
    TempFolder tmp;

    const ExportOutcome outcome = WriteExportFile(tmp / "exportSearch.log", results);

    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.error, 0);
    EXPECT_EQ(
        ReadFile(tmp / "exportSearch.log"),
        "File name: x path: /data/ Last modif: 2022/03/07 14:05:09 size (bytes): 12345\r\n"
        "File name: y path: /data/ Last modif: 2022/03/07 14:05:09 size (bytes): 12345\r\n"
        "\r\n"
        "File name: a.txt path: /data/ Last modif: 2022/03/07 14:05:09 size (bytes): 12345\r\n" +
            Line("b.txt") + Line("c.txt") + "\r\n");
}

TEST(ExportWriter, RecordLineNumbersAndText) {
    struct Case {
        const char* what;
        std::string name;
        std::string folder;
        std::uint32_t size;
        std::string expected;
    };
    const Case cases[] = {
        {"size shown unsigned", "big", "/d/", 3000000000u,
         "File name: big path: /d/ Last modif: 2022/03/07 14:05:09 size (bytes): 3000000000\r\n"},
        {"largest size", "max", "/d/", 4294967295u,
         "File name: max path: /d/ Last modif: 2022/03/07 14:05:09 size (bytes): 4294967295\r\n"},
        {"empty file", "empty", "/d/", 0,
         "File name: empty path: /d/ Last modif: 2022/03/07 14:05:09 size (bytes): 0\r\n"},
        {"accented letters as ISO 8859-1", "caf\xC3\xA9\xC3\xBF", "/\xC3\x80/", 1,
         "File name: caf\xE9\xFF path: /\xC0/ Last modif: 2022/03/07 14:05:09 size (bytes): 1\r\n"},
        {"characters above U+00FF", "\xC4\x80-\xE2\x82\xAC-\xF0\x9F\x98\x80", "/d/", 2,
         "File name: ?-?-? path: /d/ Last modif: 2022/03/07 14:05:09 size (bytes): 2\r\n"},
        {"bytes that are not UTF-8",
         "a\xFF"
         "b\xC0\xAF"
         "c\xED\xA0\x80",
         "/\xE9t\xE9/", 3,
         "File name: a?b??c??? path: /?t?/ Last modif: 2022/03/07 14:05:09 size (bytes): 3\r\n"},
        {"a sequence cut short at the end", "x\xE2\x82", "/d/", 4,
         "File name: x?? path: /d/ Last modif: 2022/03/07 14:05:09 size (bytes): 4\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto record = Record(c.name, c.folder, c.size);
        std::string out = "before\r\n";
        std::string& returned = WriteRecordLine(out, *record);
        EXPECT_EQ(&returned, &out);
        EXPECT_EQ(out, "before\r\n" + c.expected);
    }
}

TEST(ExportWriter, NoDuplicateGroupsGiveAnEmptyFileReplacingTheOld) {
    for (const bool onlyLoneFiles : {false, true}) {
        SCOPED_TRACE(onlyLoneFiles);
        CResultMap results;
        if (onlyLoneFiles) {
            AddGroup(results, Key('1'), {"one"});
            AddGroup(results, Key('2'), {"two"});
        }
        TempFolder tmp;
        WriteFile(tmp / "exportSearch.log", "an earlier export\r\n");

        EXPECT_TRUE(WriteExportFile(tmp / "exportSearch.log", results).succeeded);
        EXPECT_EQ(ReadFile(tmp / "exportSearch.log"), "");
    }
}

TEST(ExportWriter, RunningItTwiceGivesTheSameBytes) {
    CResultMap results;
    AddGroup(results, Key('1'), {"a", "b"});
    TempFolder tmp;
    const std::string path = tmp / "exportSearch.log";
    WriteFile(path, std::string(4096, 'z'));  // longer than the export: no tail may survive

    ASSERT_TRUE(WriteExportFile(path, results).succeeded);
    const auto first = ReadFile(path);
    ASSERT_TRUE(WriteExportFile(path, results).succeeded);

    EXPECT_EQ(first, Line("a") + Line("b") + "\r\n");
    EXPECT_EQ(ReadFile(path), first);
}

TEST(ExportWriter, PathThatCannotBeOpenedReportsItsErrno) {
    CResultMap results;
    AddGroup(results, Key('1'), {"a", "b"});
    TempFolder tmp;
    WriteFile(tmp / "file", "kept as it was");
    std::filesystem::create_directories(tmp / "folder/inside");

    struct Case {
        std::string path;
        int error;
    };
    const Case cases[] = {
        {tmp / "missing/exportSearch.log", ENOENT},
        {tmp / "folder", EISDIR},
        {tmp / "file/exportSearch.log", ENOTDIR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ExportOutcome outcome = WriteExportFile(c.path, results);
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.error, c.error);
    }
    EXPECT_FALSE(std::filesystem::exists(tmp / "missing"));
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "folder/inside"));
    EXPECT_EQ(ReadFile(tmp / "file"), "kept as it was");
}

TEST(ExportWriter, DefaultPathIsBesideTheExecutable) {
    const std::string folder =
        std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/";
    EXPECT_EQ(DefaultExportPath(), folder + "exportSearch.log");
}

}  // namespace
