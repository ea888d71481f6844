#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "platform/DirectoryReader.h"
#include "support/WorkerHarness.h"

namespace mollwick::test {
namespace {

TEST(SplitPaths, CutsAtEveryLineBreakAndKeepsSpaces) {
    struct Case {
        std::string text;
        std::vector<std::string> folders;
    };
    const Case cases[] = {
        {"\r\n/a\r\n/b\r\n/c", {"/a", "/b", "/c"}},
        {"\r\n/a\r\n\r\n\n\r/b\r\n", {"/a", "/b"}},
        {" /a b \n/c", {" /a b ", "/c"}},
        {"/only", {"/only"}},
        {"", {}},
        {"\r\n\r\n", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> folders{"kept"};
        EXPECT_EQ(SplitPaths(c.text, folders), !c.folders.empty()) << c.text;
        folders.erase(folders.begin());
        EXPECT_EQ(folders, c.folders) << c.text;
    }
}

TEST(ExtensionFilter, MatchesTheExtensionAnywhereInTheList) {
    struct Case {
        std::string filter;
        std::string name;
        bool passes;
    };
    const Case cases[] = {
        {"jpg,png", "photo.jpg", true},
        {"jpg,png", "photo.JPG", false},
        {"jpg,png", "logo.pg", true},
        {"jpg,png", "photo.jpg.bak", false},
        {"jpg,png", "archive.g,p", true},
        {"jpg,png", ".hidden", false},
        {"jpg,png", "README", false},
        {"*", "README", true},
        {"*", ".hidden", true},
        {"", "photo.jpg", false},
        {"", "trailing.", true},
        {"jpg", "a.JPG", false},
        {"\xC3\xA9t\xC3\xA9", "x.\xC3\xA9t\xC3\xA9", true},
    };
    CFinderThread worker;
    for (const Case& c : cases) {
        worker.m_strExtensions = c.filter;
        worker.m_bAllExtensions = c.filter == "*";
        EXPECT_EQ(worker.PassesExtensionFilter(c.name), c.passes)
            << "filter '" << c.filter << "' name '" << c.name << "'";
    }
}

// The last progress of a search carries the final count.
std::int32_t TotalFiles(const RecordingPort& port) {
    const std::vector<CProgressInfo> progress = port.Progress();
    return progress.empty() ? -1 : progress.back().nTotalFiles;
}

TEST(FolderScan, SubfolderHiddenAndFilterRules) {
    TempDir tree;
    tree.Write("a.txt", "1");
    tree.Write("b.JPG", "2");
    tree.Write(".hidden.txt", "3");
    tree.Write("sub/c.txt", "4");
    tree.Write(".hiddendir/d.txt", "5");
    struct Case {
        bool subfolders;
        bool hidden;
        std::string filter;
        std::int32_t total;
        std::size_t filed;
    };
    const Case cases[] = {
        {false, false, "*", 2, 2}, {true, false, "*", 3, 3},  {false, true, "*", 3, 3},
        {true, true, "*", 5, 5},   {true, true, "txt", 5, 4}, {false, false, "jpg", 2, 0},
    };
    for (const Case& c : cases) {
        WorkerHarness harness;
        ASSERT_TRUE(
            harness.Search({{tree.Path()}, c.filter, COMPARE_BY_NAME, c.subfolders, c.hidden}));
        EXPECT_EQ(TotalFiles(harness.Port()), c.total) << c.subfolders << c.hidden << c.filter;
        EXPECT_EQ(harness.Results().size(), c.filed) << c.subfolders << c.hidden << c.filter;
    }
}

TEST(FolderScan, FinishesASubtreeBeforeTheNextEntry) {
    TempDir tree;
    // Same name everywhere: the group's first file is whichever the walk met first.
    for (const char* folder : {"a", "b", "c"}) {
        tree.Write(std::string(folder) + "/same", folder);
        tree.Write(std::string(folder) + "/deeper/same", folder);
    }
    tree.Write("same", "top");
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path()}, "*", COMPARE_BY_NAME, true, false}));

    // The order a depth-first walk gives, from the same listings.
    std::vector<std::string> expected;
    std::function<void(const std::string&)> walk = [&](const std::string& folder) {
        DirectoryReader listing(folder);
        FileInfo entry;
        while (listing.Next(entry)) {
            if (entry.name == "." || entry.name == "..") {
                continue;
            }
            if (entry.isFolder) {
                walk(folder + entry.name + "/");
            } else {
                expected.push_back(folder + entry.name);
            }
        }
    };
    walk(tree.Path() + "/");
    ASSERT_EQ(harness.Groups().size(), 1u);
    EXPECT_EQ(harness.Groups()[0], expected);
}

TEST(FolderScan, ProgressEveryFifthFileAndOnceAtTheEnd) {
    for (int files : {4, 5, 9, 10}) {
        TempDir tree;
        for (int i = 0; i < files; ++i) {
            tree.Write("f" + std::to_string(i), std::to_string(i));
        }
        WorkerHarness harness;
        ASSERT_TRUE(harness.Search({{tree.Path()}}));
        const std::vector<PostedMessage> messages = harness.Port().Messages();
        ASSERT_GE(messages.size(), 2u);
        EXPECT_EQ(messages.back().message, WM_FINDER_DONE);
        EXPECT_EQ(messages.back().wParam, FINDER_OP_SEARCH);
        EXPECT_EQ(messages.back().lParam, 0);
        const std::vector<CProgressInfo> progress = harness.Port().Progress();
        EXPECT_EQ(progress.size(), static_cast<std::size_t>(files / 5 + 1)) << files;
        EXPECT_EQ(progress.back().nTotalFiles, files);
        for (std::size_t i = 0; i + 1 < progress.size(); ++i) {
            EXPECT_EQ(progress[i].nTotalFiles, static_cast<std::int32_t>(5 * (i + 1)));
        }
    }
}

TEST(FolderScan, AWindowThatHasNotTakenItsLastReportGetsOnlyTheFinalOne) {
    TempDir tree;
    for (int i = 0; i < 23; ++i) {
        tree.Write("f" + std::to_string(i), "x");
    }
    WorkerHarness harness;
    harness.Port().SetProgressWaiting(true);
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    const std::vector<CProgressInfo> progress = harness.Port().Progress();
    ASSERT_EQ(progress.size(), 1u);
    EXPECT_EQ(progress[0].nTotalFiles, 23);
}

TEST(FolderScan, UnlistableFolderReportsItsErrorAndTheNextIsScanned) {
    TempDir tree;
    tree.Write("x/a", "same");
    tree.Write("x/b", "same");
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path("nope"), tree.Path("x")}}));
    const std::vector<CProgressInfo> progress = harness.Port().Progress();
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0].strCurrentFile,
              "Error handle while searching on path " + tree.Path("nope") + "/.. Err n\u00B0 2");
    EXPECT_EQ(harness.Groups().size(), 1u);
}

TEST(FolderScan, AnEmptyListReportsAndScansNothing) {
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{}}));
    const std::vector<CProgressInfo> progress = harness.Port().Progress();
    ASSERT_EQ(progress.size(), 2u);  // the error, then the final counts
    EXPECT_EQ(
        progress[0].strCurrentFile.rfind("Error handle while searching on path Err n\u00B0 ", 0),
        0u);
    EXPECT_EQ(progress[1].nTotalFiles, 0);
}

TEST(FolderScan, NoFolderIsWalkedTwice) {
    TempDir tree;
    tree.Write("top/a.txt", "same");
    tree.Write("top/inner/b.txt", "other");
    ASSERT_EQ(::symlink(tree.Path("top").c_str(), tree.Path("top/inner/loop").c_str()), 0);
    ASSERT_EQ(::mkfifo(tree.Path("top/fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(tree.Path("top/a.txt").c_str(), tree.Path("top/link.txt").c_str()), 0);

    struct Case {
        std::vector<std::string> folders;
        bool subfolders;
    };
    const Case cases[] = {
        {{tree.Path("top"), tree.Path("top")}, false},
        {{tree.Path("top"), tree.Path("top") + "/"}, true},
        {{tree.Path("top"), tree.Path("top/inner")}, true},
        {{tree.Path("top/inner"), tree.Path("top")}, true},
    };
    for (const Case& c : cases) {
        for (std::int32_t mode : {COMPARE_BY_CONTENT, COMPARE_BY_NAME}) {
            WorkerHarness harness;
            ASSERT_TRUE(harness.Search({c.folders, "*", mode, c.subfolders, false}));
            EXPECT_TRUE(harness.Groups().empty()) << harness.Groups()[0][0];
            // a.txt, the two links and the FIFO are counted; b.txt with subfolders.
            EXPECT_EQ(TotalFiles(harness.Port()), c.subfolders ? 4 : 3);
            if (mode == COMPARE_BY_NAME) {
                EXPECT_EQ(harness.Results().size(), c.subfolders ? 2u : 1u);
            }
        }
    }
}

TEST(FolderScan, AStopLeftSetWhileIdleDoesNotCutTheNextSearchShort) {
    TempDir tree;
    for (int i = 0; i < 7; ++i) {
        tree.Write("f" + std::to_string(i), "x");
    }
    WorkerHarness harness;
    harness.Worker().m_bStop = true;
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    EXPECT_EQ(TotalFiles(harness.Port()), 7);
}

TEST(FolderScan, AStopEndsTheSearchWithTheLastProgressThenDone) {
    TempDir tree;
    for (int i = 0; i < 200; ++i) {
        tree.Write("d" + std::to_string(i % 4) + "/f" + std::to_string(i), std::to_string(i % 3));
    }
    WorkerHarness harness;
    CFinderThread& worker = harness.Worker();
    harness.Port().OnFirstProgress([&worker] { worker.m_bStop = true; });
    ASSERT_TRUE(harness.Search({{tree.Path()}, "*", COMPARE_BY_CONTENT, true, false}));
    const std::vector<PostedMessage> messages = harness.Port().Messages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0].progress->nTotalFiles, 5);
    EXPECT_EQ(messages[1].message, WM_FINDER_PROGRESS);
    EXPECT_EQ(messages[1].progress->nTotalFiles, 5);
    EXPECT_EQ(messages[2].message, WM_FINDER_DONE);
    EXPECT_FALSE(worker.m_bStop);
}

TEST(FolderScan, WithoutAResultsMapNothingIsScanned) {
    TempDir tree;
    tree.Write("a", "x");
    WorkerHarness harness;
    harness.Worker().m_pMainDlg = &harness.Port();
    harness.Worker().m_strSourcePaths = "\r\n" + tree.Path();
    harness.Worker().PostThreadMessage(WM_FINDER_SEARCH);
    ASSERT_TRUE(harness.Port().WaitForDone().has_value());
    const std::vector<PostedMessage> messages = harness.Port().Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, WM_FINDER_DONE);
    EXPECT_EQ(messages[0].wParam, FINDER_OP_SEARCH);
    EXPECT_EQ(messages[0].lParam, 0);
}

}  // namespace
}  // namespace mollwick::test

namespace mollwick::test {
namespace {

TEST(FolderScan, AfterAStopTheRemainingSourcesStillReportWhatCannotBeListed) {
    TempDir tree;
    for (int i = 0; i < 5; ++i) {
        tree.Write("first/f" + std::to_string(i), std::to_string(i));
        tree.Write("first/sub/g" + std::to_string(i), std::to_string(i));
    }
    tree.Write("second/h", "x");
    WorkerHarness harness;
    CFinderThread& worker = harness.Worker();
    harness.Port().OnFirstProgress([&worker] { worker.m_bStop = true; });
    ASSERT_TRUE(harness.Search({{tree.Path("first"), tree.Path("missing"), tree.Path("second")},
                                "*",
                                COMPARE_BY_NAME,
                                false,
                                false}));
    std::vector<std::string> texts;
    for (const CProgressInfo& progress : harness.Port().Progress()) {
        texts.push_back(progress.strCurrentFile);
    }
    ASSERT_EQ(texts.size(), 3u);  // the fifth file, the missing folder, the last report
    EXPECT_EQ(texts[1],
              "Error handle while searching on path " + tree.Path("missing") + "/.. Err n\u00B0 2");
    EXPECT_EQ(harness.Port().Progress().back().nTotalFiles, 5);
}

}  // namespace
}  // namespace mollwick::test
