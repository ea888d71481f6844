#include <gtest/gtest.h>

#include "support/WorkerHarness.h"

namespace mollwick::test {
namespace {

TEST(WorkerThread, StartValuesAndTheEndOfTheThread) {
    auto* worker = BeginThread<CFinderThread>(1);
    ASSERT_NE(worker, nullptr);
    const std::shared_ptr<ThreadChannel> channel = worker->Channel();
    RecordingPort port;
    // A request with no window posts nothing and still ends cleanly.
    ASSERT_TRUE(channel->Post(WM_FINDER_SEARCH));
    ASSERT_TRUE(channel->Post(WM_QUIT));
    ASSERT_TRUE(channel->WaitForEnd(std::chrono::seconds(10)));
    EXPECT_TRUE(channel->HasEnded());
    // The object is gone; its channel refuses further posts.
    EXPECT_FALSE(channel->Post(WM_FINDER_SEARCH));
    EXPECT_TRUE(port.Messages().empty());
}

TEST(WorkerThread, RequestsQueuedWhileBusyRunInOrder) {
    TempDir tree;
    tree.Write("a", "x");
    tree.Write("b", "x");
    WorkerHarness harness;
    CFinderThread& worker = harness.Worker();
    worker.m_pMainDlg = &harness.Port();
    worker.m_pResults = &harness.Results();
    worker.m_strSourcePaths = "\r\n" + tree.Path();
    worker.m_strExtensions = "*";
    worker.m_bAllExtensions = true;
    worker.PostThreadMessage(WM_FINDER_SEARCH);
    worker.PostThreadMessage(WM_FINDER_ACTION, FINDER_OP_MOVE);    // no destination: refused
    worker.PostThreadMessage(WM_FINDER_ACTION, FINDER_OP_DELETE);  // nothing marked
    ASSERT_TRUE(harness.Port().WaitForDone().has_value());
    ASSERT_TRUE(harness.Port().WaitForDone().has_value());
    ASSERT_TRUE(harness.Port().WaitForDone().has_value());
    std::vector<std::pair<std::uintptr_t, std::intptr_t>> done;
    for (const PostedMessage& posted : harness.Port().Messages()) {
        if (posted.message == WM_FINDER_DONE) {
            done.emplace_back(posted.wParam, posted.lParam);
        }
    }
    const std::vector<std::pair<std::uintptr_t, std::intptr_t>> expected = {
        {FINDER_OP_SEARCH, 0}, {FINDER_OP_MOVE, 0}, {FINDER_OP_DELETE, 0}};
    EXPECT_EQ(done, expected);
    EXPECT_EQ(worker.m_nTotalFiles, 2);  // actions leave the counts alone
    EXPECT_EQ(worker.m_nDuplicates, 1);
}

}  // namespace
}  // namespace mollwick::test
