#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>

#include "engine/FolderWalker.h"
#include "engine/GroupStage.h"
#include "platform/DirectoryReader.h"
#include "support/WorkerHarness.h"

namespace mollwick::test {
namespace {

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

// A regular file is listed by name and kind; the rest is read when asked, and
// what happened to the entry in between decides.
TEST(FolderWalk, DeferredDetailsAreReadWhenAskedAndAFileGoneByThenIsNeither) {
    TempDir tree;
    tree.Write("kept", "12345");
    tree.Write("removed", "x");
    tree.Write("now-a-folder", "x");
    DirectoryReader listing(tree.Path(), DirectoryReader::Details::DeferForRegularFiles);
    std::map<std::string, FileInfo> entries;
    FileInfo entry;
    while (listing.Next(entry)) {
        entries[entry.name] = entry;
    }
    ASSERT_NE(listing.Folder(), nullptr);
    for (const char* name : {"kept", "removed", "now-a-folder"}) {
        EXPECT_TRUE(entries[name].detailsDeferred) << name;
        EXPECT_TRUE(entries[name].isRegularFile) << name;
    }
    EXPECT_FALSE(entries["."].detailsDeferred);
    EXPECT_TRUE(entries["."].isFolder);

    ASSERT_EQ(::unlink(tree.Path("removed").c_str()), 0);
    ASSERT_EQ(::unlink(tree.Path("now-a-folder").c_str()), 0);
    tree.MakeFolder("now-a-folder");
    struct stat st {};
    ASSERT_EQ(::stat(tree.Path("kept").c_str(), &st), 0);

    struct Case {
        const char* name;
        bool regular;
    };
    for (const Case c : {Case{"kept", true}, Case{"removed", false}, Case{"now-a-folder", false}}) {
        FileInfo& info = entries[c.name];
        listing.Folder()->ReadDeferredDetails(info);
        EXPECT_FALSE(info.detailsDeferred) << c.name;
        EXPECT_EQ(info.isRegularFile, c.regular) << c.name;
        EXPECT_FALSE(info.isFolder) << c.name;
    }
    const FileInfo& kept = entries["kept"];
    EXPECT_EQ(kept.size, 5u);
    EXPECT_EQ(kept.inode, st.st_ino);
    EXPECT_EQ(kept.device, st.st_dev);
    EXPECT_EQ(kept.modified.tv_sec, st.st_mtim.tv_sec);
    EXPECT_EQ(kept.modified.tv_nsec, st.st_mtim.tv_nsec);
}

// Batches hold their folders open until every detail in them is read: a walk
// far ahead of a slow reader must not hold every folder of the tree open.
TEST(FolderWalk, AWalkAheadKeepsFewFoldersOpenAndEveryFileGetsItsDetails) {
    TempDir tree;
    constexpr int kFolders = 2000;
    for (int i = 0; i < kFolders; ++i) {
        tree.Write("d" + std::to_string(i) + "/f",
                   std::string(static_cast<std::size_t>(i % 97), 'x'));
    }
    const std::size_t before = OpenDescriptors();
    std::size_t most = 0;
    int files = 0;
    {
        CFolderWalker walker({tree.Path()}, true, false);
        while (const std::shared_ptr<CScanBatch> batch = walker.Next()) {
            for (std::size_t i = 0; i < batch->Size(); ++i) {
                ASSERT_TRUE(batch->IsFile(i));
                const CScanEvent& event = batch->Settled(i);
                const std::string path = event.FullPath();
                ASSERT_TRUE(event.info.isRegularFile) << path;
                const int folder = std::stoi(path.substr(tree.Path().size() + 2));
                EXPECT_EQ(event.info.size, static_cast<std::uint64_t>(folder % 97)) << path;
                // Counting the descriptors is slow: the walk gets as far ahead as it may.
                most = std::max(most, OpenDescriptors());
                ++files;
            }
        }
    }
    EXPECT_EQ(files, kFolders);
    EXPECT_LT(most - before, static_cast<std::size_t>(kFolders / 4));
    EXPECT_EQ(OpenDescriptors(), before);
}

// The hash index must hand back the same groups, in the same order within each
// and in key order overall, as filing every record straight into the map.
TEST(GroupStage, PublishesWhatDirectFilingGives) {
    std::mt19937 random(7);
    std::vector<CDigestKey> keys(3000);
    for (CDigestKey& key : keys) {
        for (std::uint8_t& byte : key.bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
    }
    // Two keys that differ only past the bytes the index hashes and fingerprints.
    keys[1] = keys[0];
    keys[1].bytes[19] ^= 1;

    CGroupStage stage;
    stage.Begin();
    CResultMap direct;
    const auto directGroup = [&direct](const CDigestKey& key) {
        std::unique_ptr<CDuplicateGroup>& group = direct[key];
        if (!group) {
            group = std::make_unique<CDuplicateGroup>();
        }
        return group.get();
    };
    for (int n = 0; n < 20000; ++n) {
        const CDigestKey& key = keys[random() % keys.size()];
        const std::string name = std::to_string(n);
        for (CDuplicateGroup* group : {&stage.Find(key), directGroup(key)}) {
            auto record = std::make_unique<CFileRecord>();
            record->strName = name;
            if (group->pFirst == nullptr) {
                group->pFirst = std::move(record);
            } else {
                group->others.push_back(std::move(record));
            }
        }
    }
    CResultMap published;
    stage.Publish(published);
    EXPECT_FALSE(stage.Active());
    ASSERT_EQ(published.size(), direct.size());
    for (auto a = published.begin(), b = direct.begin(); a != published.end(); ++a, ++b) {
        ASSERT_EQ(a->first, b->first);
        ASSERT_EQ(a->second->pFirst->strName, b->second->pFirst->strName);
        ASSERT_EQ(a->second->others.size(), b->second->others.size());
        for (std::size_t i = 0; i < a->second->others.size(); ++i) {
            EXPECT_EQ(a->second->others[i]->strName, b->second->others[i]->strName);
        }
    }
}

}  // namespace
}  // namespace mollwick::test
