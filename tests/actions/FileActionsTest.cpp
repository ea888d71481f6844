// Moving and deleting marked duplicates, driven through the real worker thread.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/FinderThread.h"
#include "platform/FileOperations.h"
#include "tests/support/RecordingPort.h"
#include "tests/support/ResultsBuilder.h"
#include "tests/support/ScopedWorker.h"
#include "tests/support/TempFolder.h"

namespace {

using mollwick::test::Exists;
using mollwick::test::ListNames;
using mollwick::test::ReadFile;
using mollwick::test::RecordingPort;
using mollwick::test::ScopedWorker;
using mollwick::test::TempFolder;
using mollwick::test::WriteFile;

// The record a search would have made of the file at path, marked or not.
std::unique_ptr<CFileRecord> RecordOf(const std::string& path, bool marked) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        ADD_FAILURE() << "no file " << path;
        return nullptr;
    }
    mollwick::FileInfo info;
    info.name = path.substr(path.rfind('/') + 1);
    info.isRegularFile = true;
    info.size = static_cast<std::uint64_t>(st.st_size);
    info.modified = st.st_mtim;
    info.device = st.st_dev;
    info.inode = st.st_ino;
    auto record = NewFileRecord(path, info);
    record->bSelected = marked;
    return record;
}

struct Member {
    std::string path;
    bool marked;
};

// Files a group in the results under key: the first member is pFirst.
void AddGroup(CResultMap& results, const CDigestKey& key, std::initializer_list<Member> members) {
    std::vector<std::unique_ptr<CFileRecord>> records;
    for (const Member& member : members) {
        records.push_back(RecordOf(member.path, member.marked));
    }
    mollwick::test::AddRecords(results, key, std::move(records));
}

using mollwick::test::Key;

struct StatResult {
    mode_t mode = 0;
    timespec modified{};
};

StatResult StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return StatResult{st.st_mode, st.st_mtim};
}

void SetModified(const std::string& path, timespec when) {
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// What a WM_FINDER_DONE carries: the operation and the count handled.
using Done = std::pair<std::uintptr_t, std::intptr_t>;

class FileActionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_worker->m_pMainDlg = &m_port;
        m_worker->m_pResults = &m_results;
        m_src = m_tmp / "src";
        m_dest = m_tmp / "dest";
        std::filesystem::create_directories(m_src);
        std::filesystem::create_directories(m_dest);
    }
    void TearDown() override { mollwick::testing::SetCopyFault(-1, false); }

    // Posts the action and returns its WM_FINDER_DONE (operation, count).
    Done Run(std::uintptr_t operation, const std::string& destination) {
        m_worker->m_strDestPath = destination;
        EXPECT_TRUE(m_worker.Post(WM_FINDER_ACTION, operation));
        const auto done = m_port.WaitForDone();
        if (!done) {
            ADD_FAILURE() << "no WM_FINDER_DONE in time";
            return {~std::uintptr_t{0}, -1};
        }
        return {done->wParam, done->lParam};
    }
    Done Move() { return Run(FINDER_OP_MOVE, m_dest); }
    Done Delete() { return Run(FINDER_OP_DELETE, ""); }

    std::vector<std::string> ProgressPaths() const {
        std::vector<std::string> paths;
        for (const CProgressInfo& info : m_port.Progress()) {
            paths.push_back(info.strCurrentFile);
        }
        return paths;
    }

    // Declared before the worker, so they outlive it.
    TempFolder m_tmp;
    RecordingPort m_port;
    CResultMap m_results;
    ScopedWorker m_worker;
    std::string m_src;
    std::string m_dest;
};

TEST_F(FileActionsTest, UnmarkedFilesAndLoneMarkedFilesAreNeverTouched) {
    WriteFile(m_src + "/a1", "aaa");
    WriteFile(m_src + "/a2", "aaa");
    WriteFile(m_src + "/alone", "bbb");
    AddGroup(m_results, Key('1'), {{m_src + "/a1", false}, {m_src + "/a2", false}});
    // Marked, but the only file of its group: no duplicate, so never handled.
    AddGroup(m_results, Key('2'), {{m_src + "/alone", true}});

    for (const std::uintptr_t operation : {FINDER_OP_MOVE, FINDER_OP_DELETE}) {
        SCOPED_TRACE(operation);
        m_port.Clear();
        EXPECT_EQ(Run(operation, operation == FINDER_OP_MOVE ? m_dest : ""), Done(operation, 0));
        EXPECT_TRUE(m_port.Progress().empty());
        EXPECT_EQ(ListNames(m_src), (std::vector<std::string>{"a1", "a2", "alone"}));
        EXPECT_TRUE(ListNames(m_dest).empty());
    }
}

TEST_F(FileActionsTest, RefusedRequestsEndAtOnceWithACountOfZero) {
    WriteFile(m_src + "/a1", "aaa");
    WriteFile(m_src + "/a2", "aaa");
    AddGroup(m_results, Key('1'), {{m_src + "/a1", true}, {m_src + "/a2", true}});

    struct Case {
        const char* what;
        std::uintptr_t operation;
        bool withResults;
        std::string destination;
    };
    const Case cases[] = {
        {"move without a destination", FINDER_OP_MOVE, true, ""},
        {"delete before any results", FINDER_OP_DELETE, false, ""},
        {"move before any results", FINDER_OP_MOVE, false, m_dest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_port.Clear();
        m_worker->m_pResults = c.withResults ? &m_results : nullptr;
        EXPECT_EQ(Run(c.operation, c.destination), Done(c.operation, 0));
        EXPECT_EQ(m_port.Messages().size(), 1u);  // the done message and nothing else
        EXPECT_EQ(ListNames(m_src), (std::vector<std::string>{"a1", "a2"}));
        EXPECT_TRUE(ListNames(m_dest).empty());
    }
}

TEST_F(FileActionsTest, MoveTakesMarkedFilesInKeyOrderFirstThenOthers) {
    // Keys out of insertion order; "9" sorts before "A".
    WriteFile(m_src + "/k9/first", "9a");
    WriteFile(m_src + "/k9/second", "9b");
    WriteFile(m_src + "/kA/first", "Aa");
    WriteFile(m_src + "/kA/second", "Ab");
    WriteFile(m_src + "/kA/third", "Ac");
    AddGroup(
        m_results, Key('A'),
        {{m_src + "/kA/first", true}, {m_src + "/kA/second", false}, {m_src + "/kA/third", true}});
    AddGroup(m_results, Key('9'), {{m_src + "/k9/first", false}, {m_src + "/k9/second", true}});

    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 3));

    // One progress per file handled, naming it, in the order handled.
    EXPECT_EQ(ProgressPaths(), (std::vector<std::string>{m_src + "/k9/second", m_src + "/kA/first",
                                                         m_src + "/kA/third"}));
    EXPECT_EQ(ListNames(m_dest), (std::vector<std::string>{"first", "second", "third"}));
    EXPECT_EQ(ReadFile(m_dest + "/second"), "9b");
    EXPECT_EQ(ReadFile(m_dest + "/first"), "Aa");
    EXPECT_EQ(ListNames(m_src + "/kA"), (std::vector<std::string>{"second"}));
    EXPECT_EQ(ListNames(m_src + "/k9"), (std::vector<std::string>{"first"}));
    // The results are left as they were: records keep their folder and mark.
    EXPECT_EQ(m_results[Key('A')]->pFirst->strFolder, m_src + "/kA/");
    EXPECT_TRUE(m_results[Key('A')]->pFirst->bSelected);
}

// While the window has not taken the last report, the next ones are left out;
// the report of the last file handled still comes.
TEST_F(FileActionsTest, SlowWindowStillGetsTheLastFileHandled) {
    WriteFile(m_src + "/a", "x");
    WriteFile(m_src + "/b", "x");
    WriteFile(m_src + "/c", "x");
    AddGroup(m_results, Key('1'),
             {{m_src + "/a", true}, {m_src + "/b", true}, {m_src + "/c", true}});
    m_port.SetProgressWaiting(true);

    EXPECT_EQ(Delete(), Done(FINDER_OP_DELETE, 3));

    EXPECT_EQ(ProgressPaths(), std::vector<std::string>{m_src + "/c"});
    EXPECT_TRUE(ListNames(m_src).empty());
}

// The number in front of a clashing name is the count of files handled before
// it in the same request, starting again at 0 with every request.
TEST_F(FileActionsTest, ClashingNameIsNumberedWithTheCountHandledBefore) {
    WriteFile(m_dest + "/clash.txt", "already there");

    WriteFile(m_src + "/r1/clash.txt", "first request");
    WriteFile(m_src + "/r1/copy", "first request");
    AddGroup(m_results, Key('1'), {{m_src + "/r1/clash.txt", true}, {m_src + "/r1/copy", false}});
    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 1));
    EXPECT_EQ(ReadFile(m_dest + "/0_clash.txt"), "first request");

    m_results.clear();
    m_port.Clear();
    WriteFile(m_src + "/r2/one", "x");
    WriteFile(m_src + "/r2/two", "x");
    WriteFile(m_src + "/r2/three", "x");
    WriteFile(m_src + "/r2/clash.txt", "second request");
    AddGroup(m_results, Key('1'),
             {{m_src + "/r2/one", true},
              {m_src + "/r2/two", true},
              {m_src + "/r2/three", true},
              {m_src + "/r2/clash.txt", true}});
    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 4));
    EXPECT_EQ(ReadFile(m_dest + "/3_clash.txt"), "second request");
    EXPECT_EQ(ReadFile(m_dest + "/clash.txt"), "already there");
    EXPECT_TRUE(ListNames(m_src + "/r2").empty());
}

TEST_F(FileActionsTest, TwoMarkedCopiesOfOneNameFirstKeepsItsName) {
    WriteFile(m_src + "/a/dup.txt", "from a");
    WriteFile(m_src + "/b/dup.txt", "from b");
    AddGroup(m_results, Key('1'), {{m_src + "/a/dup.txt", true}, {m_src + "/b/dup.txt", true}});

    // A destination ending in "/" gets no second one.
    EXPECT_EQ(Run(FINDER_OP_MOVE, m_dest + "/"), Done(FINDER_OP_MOVE, 2));
    EXPECT_EQ(ListNames(m_dest), (std::vector<std::string>{"1_dup.txt", "dup.txt"}));
    EXPECT_EQ(ReadFile(m_dest + "/dup.txt"), "from a");
    EXPECT_EQ(ReadFile(m_dest + "/1_dup.txt"), "from b");
}

TEST_F(FileActionsTest, WhenTheNumberedNameIsTakenTooTheSourceStays) {
    WriteFile(m_dest + "/name.txt", "plain");
    WriteFile(m_dest + "/0_name.txt", "numbered");
    WriteFile(m_src + "/name.txt", "source");
    WriteFile(m_src + "/copy", "source");
    AddGroup(m_results, Key('1'), {{m_src + "/name.txt", true}, {m_src + "/copy", false}});

    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 1));  // a failed move counts
    EXPECT_EQ(m_port.Progress().size(), 1u);
    EXPECT_EQ(ReadFile(m_src + "/name.txt"), "source");
    EXPECT_EQ(ReadFile(m_dest + "/name.txt"), "plain");
    EXPECT_EQ(ReadFile(m_dest + "/0_name.txt"), "numbered");
    EXPECT_EQ(ListNames(m_dest).size(), 2u);
}

// A hard link to the very file already at the target: a plain rename would
// call that success and do nothing; the move must see a clash instead.
TEST_F(FileActionsTest, HardLinkToTheSourceAtTheTargetIsAClash) {
    for (const bool forceCopy : {false, true}) {
        SCOPED_TRACE(forceCopy ? "copying road" : "rename");
        TempFolder tmp;
        const std::string source = tmp / "file";
        const std::string target = tmp / "link";
        WriteFile(source, "data");
        ASSERT_EQ(::link(source.c_str(), target.c_str()), 0);
        mollwick::testing::SetCopyFault(-1, forceCopy);

        EXPECT_EQ(mollwick::MoveFileNoReplace(source, target), EEXIST);
        EXPECT_EQ(ReadFile(source), "data");
        EXPECT_EQ(ReadFile(target), "data");
        EXPECT_EQ(ListNames(tmp.Path()), (std::vector<std::string>{"file", "link"}));
    }
    mollwick::testing::SetCopyFault(-1, false);

    // Through the worker the clash leads to the numbered name; the data survives.
    WriteFile(m_src + "/file", "data");
    WriteFile(m_src + "/copy", "data");
    ASSERT_EQ(::link((m_src + "/file").c_str(), (m_dest + "/file").c_str()), 0);
    AddGroup(m_results, Key('1'), {{m_src + "/file", true}, {m_src + "/copy", false}});
    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 1));
    EXPECT_EQ(ReadFile(m_dest + "/file"), "data");
    EXPECT_EQ(ReadFile(m_dest + "/0_file"), "data");
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    }
    return bytes;
}

TEST_F(FileActionsTest, MoveAcrossFileSystemsKeepsContentModeAndTime) {
    // A rename between two devices fails with EXDEV, which is what sends the
    // move down the copying road.
    struct stat shm {};
    struct stat tmp {};
    if (::stat("/dev/shm", &shm) != 0 || ::stat(m_dest.c_str(), &tmp) != 0 ||
        shm.st_dev == tmp.st_dev) {
        GTEST_SKIP() << "/dev/shm is not a second file system here";
    }
    TempFolder other("/dev/shm");
    const std::string content = Pattern(3 * 1024 * 1024 + 17);  // several copy buffers
    const std::string source = other / "big.bin";
    WriteFile(source, content);
    WriteFile(other / "copy.bin", content);
    ASSERT_EQ(::chmod(source.c_str(), 0640), 0);
    const timespec modified{1646662509, 123456789};
    SetModified(source, modified);
    AddGroup(m_results, Key('1'), {{source, true}, {other / "copy.bin", false}});

    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 1));

    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(ListNames(m_dest), (std::vector<std::string>{"big.bin"}));  // no temporary left
    EXPECT_EQ(ReadFile(m_dest + "/big.bin"), content);
    const StatResult moved = StatOf(m_dest + "/big.bin");
    EXPECT_EQ(moved.mode & 07777, 0640u);
    EXPECT_EQ(moved.modified.tv_sec, modified.tv_sec);
    EXPECT_EQ(moved.modified.tv_nsec, modified.tv_nsec);
}

// The copying road, forced on one file system, with a write that fails after
// so many bytes: the source stays whole and the destination stays empty.
TEST_F(FileActionsTest, CopyThatFailsPartWayLeavesTheSourceAndNoTarget) {
    const std::size_t size = 2 * 1024 * 1024 + 5;
    const std::string content = Pattern(size);
    struct Case {
        long long failAfter;
        bool moved;
    };
    const Case cases[] = {
        {-1, true},  // no fault: the copying road works on its own
        {0, false},
        {1024 * 1024 + 1, false},  // in the middle of the second buffer
        {static_cast<long long>(size) - 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failAfter);
        TempFolder src;
        TempFolder dest;
        WriteFile(src / "big.bin", content);
        WriteFile(src / "copy.bin", "same key");
        ASSERT_EQ(::chmod((src / "big.bin").c_str(), 0604), 0);
        m_results.clear();
        m_port.Clear();
        AddGroup(m_results, Key('1'), {{src / "big.bin", true}, {src / "copy.bin", false}});
        mollwick::testing::SetCopyFault(c.failAfter, true);

        EXPECT_EQ(Run(FINDER_OP_MOVE, dest.Path()), Done(FINDER_OP_MOVE, 1));

        if (c.moved) {
            EXPECT_FALSE(Exists(src / "big.bin"));
            EXPECT_EQ(ListNames(dest.Path()), (std::vector<std::string>{"big.bin"}));
            EXPECT_EQ(ReadFile(dest / "big.bin"), content);
            EXPECT_EQ(StatOf(dest / "big.bin").mode & 07777, 0604u);
        } else {
            EXPECT_EQ(ReadFile(src / "big.bin"), content);
            EXPECT_TRUE(ListNames(dest.Path()).empty());  // neither target nor temporary
        }
    }
}

TEST_F(FileActionsTest, StopDuringAMoveEndsAfterTheGroupInHand) {
    for (char k = '1'; k <= '5'; ++k) {
        const std::string folder = m_src + "/g" + k;
        WriteFile(folder + "/a", "x");
        WriteFile(folder + "/b", "x");
        WriteFile(folder + "/c", "x");
        AddGroup(m_results, Key(k),
                 {{folder + "/a", true}, {folder + "/b", true}, {folder + "/c", true}});
    }
    // The stop arrives while the first file of the first group is reported.
    CFinderThread* worker = &*m_worker;
    m_port.OnFirstProgress([worker] { worker->m_bStop = true; });

    EXPECT_EQ(Move(), Done(FINDER_OP_MOVE, 3));

    EXPECT_EQ(m_port.Progress().size(), 3u);
    EXPECT_TRUE(ListNames(m_src + "/g1").empty());
    for (const char* later : {"/g2", "/g3", "/g4", "/g5"}) {
        EXPECT_EQ(ListNames(m_src + later).size(), 3u) << later;
    }
    EXPECT_FALSE(m_worker->m_bStop);  // cleared at the end of the request
}

// The search found one file; the disk now holds something else under its name.
// It is left alone and still counts as handled; its unchanged copy goes.
TEST_F(FileActionsTest, DeleteLeavesFilesChangedSinceTheSearch) {
    struct Case {
        const char* what;
        void (*change)(const std::string& path, const StatResult& recorded);
        bool stillThere;
    };
    const Case cases[] = {
        {"appended, time kept",
         [](const std::string& path, const StatResult& recorded) {
             WriteFile(path, "original+");
             SetModified(path, recorded.modified);
         },
         true},
        {"touched with a new time",
         [](const std::string& path, const StatResult& recorded) {
             SetModified(path, timespec{recorded.modified.tv_sec - 3600, 0});
         },
         true},
        {"replaced by another file of the same size and time",
         [](const std::string& path, const StatResult& recorded) {
             WriteFile(path + ".new", "replaced");
             SetModified(path + ".new", recorded.modified);
             ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
         },
         true},
        {"replaced by a folder",
         [](const std::string& path, const StatResult&) {
             ASSERT_EQ(::unlink(path.c_str()), 0);
             ASSERT_EQ(::mkdir(path.c_str(), 0755), 0);
         },
         true},
        {"already gone", [](const std::string& path, const StatResult&) { ::unlink(path.c_str()); },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder tmp;
        const std::string kept = tmp / "unchanged";
        const std::string changed = tmp / "changed";
        WriteFile(kept, "original");
        WriteFile(changed, "original");
        m_results.clear();
        m_port.Clear();
        AddGroup(m_results, Key('1'), {{kept, true}, {changed, true}});
        const StatResult recorded = StatOf(changed);
        c.change(changed, recorded);
        std::string before;
        if (auto bytes = ReadFile(changed)) {
            before = *bytes;
        }

        EXPECT_EQ(Delete(), Done(FINDER_OP_DELETE, 2));  // failures count

        EXPECT_FALSE(Exists(kept));
        EXPECT_EQ(Exists(changed), c.stillThere);
        if (auto bytes = ReadFile(changed)) {
            EXPECT_EQ(*bytes, before);
        }
        EXPECT_EQ(m_port.Progress().size(), 2u);
    }
}

// A whole round through the worker: a real search by content, then a delete of
// every copy. A stop pressed while the worker was idle is no part of the delete.
TEST_F(FileActionsTest, DeleteAfterARealSearchIgnoresAStaleStop) {
    WriteFile(m_src + "/one/a", "alpha");
    WriteFile(m_src + "/two/a", "alpha");
    WriteFile(m_src + "/two/b", "alpha");
    WriteFile(m_src + "/one/c", "gamma");
    WriteFile(m_src + "/two/c", "gamma");
    WriteFile(m_src + "/one/lone", "unique");
    m_worker->m_strSourcePaths = "\r\n" + m_src + "/one\r\n" + m_src + "/two";
    m_worker->m_nCompareMode = COMPARE_BY_CONTENT;
    m_worker->m_bAllExtensions = true;
    m_worker->m_strExtensions = "*";
    ASSERT_TRUE(m_worker.Post(WM_FINDER_SEARCH));
    ASSERT_EQ(m_port.WaitForDone().value().wParam, FINDER_OP_SEARCH);
    // "lone" has no twin: a search by content keeps only the groups of duplicates.
    ASSERT_EQ(m_results.size(), 2u);

    int marked = 0;
    for (auto& [key, group] : m_results) {
        for (auto& other : group->others) {
            other->bSelected = true;
            ++marked;
        }
    }
    ASSERT_EQ(marked, 3);
    m_port.Clear();
    m_worker->m_bStop = true;

    EXPECT_EQ(Delete(), Done(FINDER_OP_DELETE, 3));

    EXPECT_EQ(ListNames(m_src + "/one"), (std::vector<std::string>{"a", "c", "lone"}));
    EXPECT_TRUE(ListNames(m_src + "/two").empty());
    // Progress during an action shows the totals of the last search, unchanged.
    for (const CProgressInfo& info : m_port.Progress()) {
        EXPECT_EQ(info.nTotalFiles, 6);
        EXPECT_EQ(info.nDuplicates, 3);
    }
    EXPECT_EQ(m_port.Progress().size(), 3u);
}

}  // namespace
