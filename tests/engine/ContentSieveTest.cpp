#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

#include "actions/ExportWriter.h"
#include "platform/FileReader.h"
#include "support/WorkerHarness.h"

namespace mollwick::test {
namespace {

// Everything a reader of the results can see.
struct Outcome {
    std::vector<std::vector<std::string>> groups;
    std::vector<std::string> keys;
    std::int32_t totalFiles = 0;
    std::int32_t duplicates = 0;
    std::string exportBytes;

    bool operator==(const Outcome&) const = default;
};

Outcome Search(const std::string& root, bool readEveryFile,
               std::function<void(const std::string&)> afterListing = {}) {
    WorkerHarness harness;
    harness.Worker().m_bReadEveryFile = readEveryFile;
    harness.Worker().m_afterListingForTesting = std::move(afterListing);
    EXPECT_TRUE(harness.Search({{root}, "*", COMPARE_BY_CONTENT, true, true}));
    Outcome outcome;
    outcome.groups = harness.Groups();
    for (const auto& [key, group] : harness.Results()) {
        if (!group->others.empty()) {
            outcome.keys.push_back(key.Text());
        }
    }
    outcome.totalFiles = harness.Worker().m_nTotalFiles;
    outcome.duplicates = harness.Worker().m_nDuplicates;
    outcome.exportBytes = FormatExport(harness.Results());
    return outcome;
}

std::string RandomBytes(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

// A tree where sizes repeat, first blocks are shared, twins differ in their
// last byte, files are hard-linked, and some files vanish, grow or change
// between their listing and their reading. Rebuilt from the seed each time,
// with fixed times, so two searches see the same tree.
void BuildTree(const std::string& root, unsigned seed) {
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root);
    std::mt19937 random(seed);
    const std::size_t sizes[] = {0, 1, 100, 4095, 4096, 4097, 65536, 70000, 200000};
    std::vector<std::pair<std::string, std::string>> written;  // path, content
    std::vector<std::string> steady;  // files no test step changes: safe to link to
    for (int i = 0; i < 160; ++i) {
        const std::string folder =
            root + "/d" + std::to_string(random() % 5) + (random() % 3 == 0 ? "/sub" : "");
        std::filesystem::create_directories(folder);
        const unsigned kind = random() % 6;
        std::string name = "f" + std::to_string(i);
        if (kind == 1 && !steady.empty()) {
            // A hard link to an earlier file. Neither ever changes: a change
            // through one name would reach a file listed long before.
            const std::string path = folder + "/" + name;
            if (::link(steady[random() % steady.size()].c_str(), path.c_str()) == 0) {
                continue;
            }
        }
        switch (random() % 12) {
            case 0:
                name += ".vanish";
                break;
            case 1:
                name += ".grow";
                break;
            case 2:
                name += ".change";
                break;
            default:
                break;
        }
        const std::string path = folder + "/" + name;
        std::string content;
        if (!written.empty() && kind >= 2) {
            content = written[random() % written.size()].second;
            if (kind == 3 && content.size() > 4096) {
                content.back() = static_cast<char>(content.back() ^ 1);  // last-byte twin
            } else if (kind == 4 && content.size() > 4096) {
                const std::size_t shared = content.size() > 65536 ? 65536 : 4096;
                content.replace(shared, content.size() - shared,
                                RandomBytes(random, content.size() - shared));
            }
        } else {
            content = RandomBytes(random, sizes[random() % std::size(sizes)]);
        }
        if (name.find('.') == std::string::npos) {
            steady.push_back(path);
        }
        WriteFile(path, content);
        written.emplace_back(path, content);
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const timespec times[2] = {{1600000000, 0}, {1600000000, 0}};
        ::utimensat(AT_FDCWD, entry.path().c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
}

// Changes a file right after the scan listed it, as another program might.
void ChangeAfterListing(const std::string& path) {
    auto endsWith = [&](const std::string& suffix) {
        return path.size() >= suffix.size() &&
               path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0;
    };
    if (endsWith(".vanish")) {
        ::unlink(path.c_str());
    } else if (endsWith(".grow")) {
        std::ofstream(path, std::ios::binary | std::ios::app) << 'x';
    } else if (endsWith(".change")) {
        std::string content = ReadFile(path).value_or(std::string());
        for (char& c : content) {
            c = static_cast<char>(c ^ 0x5A);
        }
        WriteFile(path, content);
    }
}

TEST(ContentSieve, GivesExactlyWhatReadingEveryFileGives) {
    TempDir scratch;
    const std::string root = scratch.Path("tree");
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        BuildTree(root, seed);
        const Outcome everyFile = Search(root, true, ChangeAfterListing);
        BuildTree(root, seed);
        const Outcome sieved = Search(root, false, ChangeAfterListing);
        EXPECT_FALSE(everyFile.groups.empty()) << "seed " << seed;
        EXPECT_EQ(sieved.groups, everyFile.groups) << "seed " << seed;
        EXPECT_EQ(sieved.keys, everyFile.keys) << "seed " << seed;
        EXPECT_EQ(sieved.totalFiles, everyFile.totalFiles) << "seed " << seed;
        EXPECT_EQ(sieved.duplicates, everyFile.duplicates) << "seed " << seed;
        EXPECT_EQ(sieved.exportBytes, everyFile.exportBytes) << "seed " << seed;
    }
}

TEST(ContentSieve, ReadsOnlyWhatItMust) {
    struct Case {
        const char* what;
        std::vector<std::string> contents;
        std::uint64_t opens;
    };
    const std::string big(100000, 'b');
    std::string bigTwin = big;
    bigTwin.back() = 'c';
    std::string otherStart = big;
    otherStart.front() = 'a';
    const Case cases[] = {
        {"sizes all differ: nothing is opened", {"a", "bb", "ccc", big}, 0},
        {"small files of one size: each read once", {"aa", "bb", "cc"}, 3},
        {"first blocks differ: one look each", {big, otherStart}, 2},
        {"equal: a look each, then one pass that hashes one and compares the other",
         {big, big},
         2 + 2},
        {"same first block only: the pass finds them different, then a hash",
         {big, bigTwin},
         2 + 2 + 1},
    };
    for (const Case& c : cases) {
        TempDir tree;
        for (std::size_t i = 0; i < c.contents.size(); ++i) {
            tree.Write("f" + std::to_string(i), c.contents[i]);
        }
        const std::uint64_t before = testing::FileReaderOpenCount();
        Search(tree.Path(), false);
        EXPECT_EQ(testing::FileReaderOpenCount() - before, c.opens) << c.what;
    }
}

TEST(ContentSieve, AnotherNameOfAFileAlreadyReadIsNotReadAgain) {
    TempDir tree;
    const std::string content(50000, 'h');
    tree.Write("first/a", content);
    tree.Write("first/b", content);
    std::filesystem::create_directories(tree.Path("second"));
    ASSERT_EQ(::link(tree.Path("first/a").c_str(), tree.Path("second/c").c_str()), 0);
    WorkerHarness harness;
    const std::uint64_t before = testing::FileReaderOpenCount();
    ASSERT_TRUE(harness.Search({{tree.Path("first"), tree.Path("second")}}));
    ASSERT_EQ(harness.Groups().size(), 1u);
    EXPECT_EQ(harness.Groups()[0].size(), 3u);
    // A first look at a and b, then one pass over both; c is a and needs nothing.
    EXPECT_EQ(testing::FileReaderOpenCount() - before, 2u + 2u);
}

TEST(ContentSieve, ManyContentsOfOneSizeCostAFewReadsEach) {
    TempDir tree;
    const int files = 30;
    for (int i = 0; i < files; ++i) {
        std::string content(20000, 's');
        content.back() = static_cast<char>('A' + i);  // alike but for the last byte
        tree.Write("f" + std::to_string(i), content);
    }
    const std::uint64_t before = testing::FileReaderOpenCount();
    EXPECT_TRUE(Search(tree.Path(), false).groups.empty());
    EXPECT_LE(testing::FileReaderOpenCount() - before, 4u * files);
}

TEST(ContentSieve, ASecondSearchReadsFilesAfresh) {
    TempDir tree;
    const std::string content(8000, 'e');
    tree.Write("a", content);
    tree.Write("b", content);
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    ASSERT_EQ(harness.Groups().size(), 1u);
    // Edited in place: same inode, same length, another last byte.
    std::string edited = content;
    edited.back() = 'f';
    WriteFile(tree.Path("a"), edited);
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    EXPECT_TRUE(harness.Groups().empty());
}

TEST(ContentSieve, AStoppedSearchListsTheGroupsConfirmedSoFar) {
    TempDir tree;
    const std::string twin(10000, 't');
    tree.Write("first/a1", twin);
    tree.Write("first/a2", twin);
    tree.Write("first/b", "b");
    tree.Write("first/c", "cc");
    WriteFile(tree.Path("first/big"), std::string(8 << 20, 'x'));  // alone, never read
    tree.Write("second/a3", twin);
    tree.Write("second/big", std::string(8 << 20, 'x'));

    WorkerHarness harness;
    CFinderThread& worker = harness.Worker();
    harness.Port().OnFirstProgress([&worker] { worker.m_bStop = true; });
    const std::uint64_t before = testing::FileReaderOpenCount();
    ASSERT_TRUE(harness.Search({{tree.Path("first"), tree.Path("second")}}));
    const auto groups = harness.Groups();
    ASSERT_EQ(groups.size(), 1u);
    std::vector<std::string> sorted = groups[0];
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{tree.Path("first/a1"), tree.Path("first/a2")}));
    EXPECT_EQ(harness.Worker().m_nTotalFiles, 5);
    EXPECT_EQ(harness.Worker().m_nDuplicates, 1);
    // The twins only: a first look at each, then one pass over both.
    EXPECT_EQ(testing::FileReaderOpenCount() - before, 2u + 2u);
}

}  // namespace
}  // namespace mollwick::test
