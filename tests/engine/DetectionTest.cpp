#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>

#include "platform/DirectoryReader.h"
#include "platform/LocalTime.h"
#include "support/WorkerHarness.h"

namespace mollwick::test {
namespace {

// The names of a folder's files in the order the file system lists them.
std::vector<std::string> ListingOrder(const std::string& folder) {
    std::vector<std::string> names;
    DirectoryReader listing(folder);
    FileInfo entry;
    while (listing.Next(entry)) {
        if (!entry.isFolder) {
            names.push_back(entry.name);
        }
    }
    return names;
}

TEST(Detection, ByContentGroupsEqualBytesWithTheFirstFoundFirst) {
    TempDir tree;
    tree.Write("one.txt", "same bytes");
    tree.Write("two.dat", "same bytes");
    tree.Write("three", "same bytes");
    tree.Write("other", "different");
    tree.Write("empty1", "");
    tree.Write("empty2", "");
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path()}}));

    std::vector<std::string> same;
    for (const std::string& name : ListingOrder(tree.Path())) {
        if (name == "one.txt" || name == "two.dat" || name == "three") {
            same.push_back(tree.Path() + "/" + name);
        }
    }
    const auto groups = harness.Groups();
    ASSERT_EQ(groups.size(), 2u);
    // The empty message's digest DA39... sorts before "same bytes"'s.
    const bool emptyFirst =
        harness.Results().begin()->first.Text() == "DA39A3EE5E6B4B0D3255BFEF95601890AFD80709";
    EXPECT_EQ(groups[emptyFirst ? 1 : 0], same);
    EXPECT_EQ(groups[emptyFirst ? 0 : 1].size(), 2u);
    EXPECT_EQ(harness.Worker().m_nDuplicates, 3);
    EXPECT_EQ(harness.Port().Progress().back().nDuplicates, 3);
}

TEST(Detection, DuplicatesCountEqualsTheRecordsInAllOthers) {
    TempDir tree;
    for (int i = 0; i < 40; ++i) {
        tree.Write("f" + std::to_string(i), std::string(static_cast<std::size_t>(i % 7), 'x'));
    }
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    std::size_t others = 0;
    std::string previous;
    for (const auto& [key, group] : harness.Results()) {
        others += group->others.size();
        EXPECT_EQ(key.Text().size(), 40u);
        EXPECT_LT(previous, key.Text());
        previous = key.Text();
    }
    EXPECT_EQ(harness.Results().size(), 7u);
    EXPECT_EQ(static_cast<std::size_t>(harness.Worker().m_nDuplicates), others);
    EXPECT_EQ(others, 33u);
}

TEST(Detection, ByNameComparesTheExactName) {
    TempDir tree;
    tree.Write("a/Report.doc", "1");
    tree.Write("b/Report.doc", "2");
    tree.Write("a/report.doc", "3");
    tree.Write("a/\xCE\xB1\xCE\xB2.txt", "4");  // Greek letters, above U+00FF
    tree.Write("b/\xCE\xB1\xCE\xB2.txt", "5");
    tree.Write("a/caf\xC3\xA9", "6");
    tree.Write("b/caf\xC3\xA9", "7");
    tree.Write("a/bad\xFF", "8");
    tree.Write("b/bad\xFF", "9");
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path("a"), tree.Path("b")}, "*", COMPARE_BY_NAME}));
    std::vector<std::vector<std::string>> names;
    for (const auto& group : harness.Groups()) {
        std::vector<std::string> paths;
        for (const std::string& path : group) {
            paths.push_back(path.substr(tree.Path().size() + 1));
        }
        names.push_back(paths);
    }
    std::sort(names.begin(), names.end());
    const std::vector<std::vector<std::string>> expected = {
        {"a/Report.doc", "b/Report.doc"},
        {"a/bad\xFF", "b/bad\xFF"},
        {"a/caf\xC3\xA9", "b/caf\xC3\xA9"},
        {"a/\xCE\xB1\xCE\xB2.txt", "b/\xCE\xB1\xCE\xB2.txt"},
    };
    EXPECT_EQ(names, expected);
    EXPECT_EQ(harness.Results().size(), 5u);
    EXPECT_EQ(harness.Worker().m_nDuplicates, 4);
}

// Sets the time zone for the life of the object, then puts back the one before.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        const char* saved = std::getenv("TZ");
        m_saved = saved != nullptr ? std::optional<std::string>(saved) : std::nullopt;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_saved) {
            ::setenv("TZ", m_saved->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_saved;
};

TEST(Detection, RecordKeepsTheLowSizeWordAndTheLocalTime) {
    TempDir tree;
    const std::string big = tree.Path("big.bin");
    {
        const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, 5LL << 30), 0);  // sparse: nothing is written
        ::close(fd);
    }
    // 2021-12-31 23:30:00 UTC
    const timespec times[2] = {{1640993400, 0}, {1640993400, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, big.c_str(), times, 0), 0);

    WorkerHarness harness;
    {
        const ScopedTimeZone zone("XYZ-2");  // two hours ahead of UTC
        ASSERT_TRUE(harness.Search({{tree.Path()}, "*", COMPARE_BY_NAME}));
    }
    ASSERT_EQ(harness.Results().size(), 1u);
    const CFileRecord& record = *harness.Results().begin()->second->pFirst;
    EXPECT_EQ(record.nSize, 1u << 30);
    EXPECT_EQ(record.strModified, "2022/01/01 01:30:00");
    EXPECT_EQ(record.strName, "big.bin");
    EXPECT_EQ(record.strFolder, tree.Path() + "/");
    EXPECT_FALSE(record.bSelected);
}

// The time text against the format it stands for, over a wide range of
// instants and a zone with a half-hour offset.
TEST(Detection, TimeTextIsTheLocalTimeInTheFixedFormat) {
    const ScopedTimeZone zone("XYZ-5:30");
    std::vector<std::time_t> instants = {0, 1640993400 - 19800, -1, 253402300800 - 19800,
                                         -62040000000};
    std::mt19937_64 random(3);
    for (int i = 0; i < 2000; ++i) {
        instants.push_back(static_cast<std::time_t>(random() % 400000000000ull) - 100000000000);
    }
    std::vector<std::string> texts;
    std::vector<std::string> expected;
    for (const std::time_t instant : instants) {
        texts.push_back(FormatLocalTime(timespec{instant, 999999999}));
        std::tm local{};
        ::localtime_r(&instant, &local);
        char text[64];
        std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
        expected.push_back(text);
    }
    EXPECT_EQ(texts[0], "1970/01/01 05:30:00");
    EXPECT_EQ(texts[1], "2021/12/31 23:30:00");
    EXPECT_EQ(texts[2], "1970/01/01 05:29:59");
    EXPECT_EQ(texts[3], "10000/01/01 00:00:00");
    EXPECT_EQ(texts[4].substr(0, 3), "04/");
    EXPECT_EQ(texts, expected);
}

TEST(Detection, AFileThatCannotBeReadIsCountedButNotFiled) {
    TempDir tree;
    tree.Write("a", "x");
    tree.Write("b", "x");
    ASSERT_EQ(::mkfifo(tree.Path("fifo").c_str(), 0600), 0);
    ASSERT_EQ(::symlink(tree.Path("a").c_str(), tree.Path("link").c_str()), 0);
    ASSERT_EQ(::symlink(tree.Path("gone").c_str(), tree.Path("dangling").c_str()), 0);
    for (std::int32_t mode : {COMPARE_BY_CONTENT, COMPARE_BY_NAME}) {
        WorkerHarness harness;
        ASSERT_TRUE(harness.Search({{tree.Path()}, "*", mode}));
        EXPECT_EQ(harness.Port().Progress().back().nTotalFiles, 5);
        EXPECT_EQ(harness.Worker().m_nDuplicates, mode == COMPARE_BY_CONTENT ? 1 : 0);
        std::size_t records = 0;
        for (const auto& [key, group] : harness.Results()) {
            records += 1 + group->others.size();
        }
        EXPECT_EQ(records, 2u);
    }
}

TEST(Detection, ClearResultsEmptiesTheMapForTheNextSearch) {
    TempDir tree;
    tree.Write("a", "x");
    tree.Write("b", "x");
    WorkerHarness harness;
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    ASSERT_EQ(harness.Groups().size(), 1u);
    ClearResults(harness.Results());
    EXPECT_TRUE(harness.Results().empty());
    ClearResults(harness.Results());
    ASSERT_TRUE(harness.Search({{tree.Path()}}));
    EXPECT_EQ(harness.Groups().size(), 1u);
}

}  // namespace
}  // namespace mollwick::test
