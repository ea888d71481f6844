// Runs the real mollwick-cli against small trees built in a fresh temporary
// folder, the way a user or a script would.
#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "actions/ExportWriter.h"
#include "cli/CliRun.h"
#include "engine/FinderThread.h"

namespace {

namespace fs = std::filesystem;
using Groups = std::vector<std::vector<std::string>>;

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every file below folder with its content, to show that nothing was touched.
std::map<std::string, std::string> Snapshot(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = ReadFile(entry.path());
        }
    }
    return files;
}

struct Outcome {
    int status = -1;  // the exit status, or 128 + the signal that ended it
    std::string out;
    std::string err;
};

int StatusOf(int waitStatus) {
    return WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : 128 + WTERMSIG(waitStatus);
}

// The groups of the default output: one path per line, an empty line after each group.
Groups ParseGroups(const std::string& out) {
    Groups groups(1);
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) {
            groups.emplace_back();
        } else {
            groups.back().push_back(line);
        }
    }
    groups.pop_back();
    return groups;
}

class CliProgram : public ::testing::Test {
protected:
    void SetUp() override {
        char name[] = "/tmp/mollwick-cli-test-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        m_work = name;
        root = m_work / "tree";
        dest = m_work / "dest";
        fs::create_directories(root);
        fs::create_directories(dest);
        fs::create_directories(m_work / "capture");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(m_work, ignored);
    }

    // Starts a program with stdin from /dev/null, stdout and stderr into files.
    pid_t Spawn(const std::string& program, const std::vector<std::string>& args) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int in = ::open("/dev/null", O_RDONLY);
            const int out = ::open(OutPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(ErrPath().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(in, 0);
            ::dup2(out, 1);
            ::dup2(err, 2);
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& arg : args) {
                argv.push_back(const_cast<char*>(arg.c_str()));
            }
            argv.push_back(nullptr);
            ::execvp(program.c_str(), argv.data());
            ::_exit(127);
        }
        return pid;
    }

    Outcome Finish(pid_t pid) {
        int waitStatus = 0;
        ::waitpid(pid, &waitStatus, 0);
        return Outcome{StatusOf(waitStatus), ReadFile(OutPath()), ReadFile(ErrPath())};
    }

    Outcome Run(const std::vector<std::string>& args) {
        return Finish(Spawn(MOLLWICK_CLI_PATH, args));
    }

    // The groups with every path made relative to the tree, files and groups
    // sorted, so that the listing order of the file system does not matter.
    Groups Relative(Groups groups) const {
        const std::string prefix = root.string() + "/";
        for (auto& group : groups) {
            for (auto& path : group) {
                if (path.starts_with(prefix)) {
                    path.erase(0, prefix.size());
                }
            }
            std::sort(group.begin(), group.end());
        }
        std::sort(groups.begin(), groups.end());
        return groups;
    }

    fs::path Capture(const char* name) const { return m_work / "capture" / name; }
    fs::path OutPath() const { return Capture("stdout"); }
    fs::path ErrPath() const { return Capture("stderr"); }

    fs::path root;
    fs::path dest;

private:
    fs::path m_work;
};

// ---- Searches ----------------------------------------------------------------

TEST_F(CliProgram, OptionsChooseWhatIsSearchedAndHowItEnds) {
    WriteFile(root / "a.txt", "alpha");
    WriteFile(root / "b.txt", "alpha");
    WriteFile(root / "c.jpg", "alpha");
    WriteFile(root / "d.txt", "delta");
    WriteFile(root / ".h.txt", "alpha");
    WriteFile(root / "sub/a.txt", "other");
    WriteFile(root / "sub/e.txt", "alpha");
    WriteFile(root / "sub/deep/g.txt", "delta");
    WriteFile(root / ".hid/f.txt", "alpha");
    const std::string R = root.string();

    const Groups abc = {{"a.txt", "b.txt", "c.jpg"}};
    const Groups recursive = {{"a.txt", "b.txt", "c.jpg", "sub/e.txt"},
                              {"d.txt", "sub/deep/g.txt"}};
    const struct {
        std::vector<std::string> args;
        int status;
        Groups groups;
        std::string errorText;  // a part of stderr
    } cases[] = {
        {{R}, 0, abc, ""},
        {{"-e", "txt", R}, 0, {{"a.txt", "b.txt"}}, ""},
        {{"--ext", ".jpg,txt", R}, 0, abc, ""},
        {{"-e", "jpg", R}, 0, {}, ""},
        {{"-e", "JPG", R}, 0, {}, ""},
        {{"--ext=", R}, 0, abc, ""},
        {{"-e", ".*", R}, 0, abc, ""},
        {{"-r", R}, 0, recursive, ""},
        {{"-a", R}, 0, {{".h.txt", "a.txt", "b.txt", "c.jpg"}}, ""},
        {{"-ra", R},
         0,
         {{".h.txt", ".hid/f.txt", "a.txt", "b.txt", "c.jpg", "sub/e.txt"},
          {"d.txt", "sub/deep/g.txt"}},
         ""},
        {{"-n", "-r", R}, 0, {{"a.txt", "sub/a.txt"}}, ""},
        {{"--by-name", R}, 0, {}, ""},
        // The same folder twice, and a folder inside another: each file once.
        {{R, R + "/"}, 0, abc, ""},
        {{"-r", R + "/sub", R}, 0, recursive, ""},
        {{R + "/nope", R}, 1, {}, R + "/nope: no such folder"},
        {{"--move-to", R + "/nope", R}, 1, {}, "destination folder does not exist"},
        // A folder that cannot be listed: the others are still searched.
        {{R + "/a.txt", R},
         2,
         abc,
         "Error handle while searching on path " + R + "/a.txt/.. Err n\u00B0 20\n"},
        {{"--frobnicate", R}, 1, {}, "unknown option --frobnicate"},
        {{}, 1, {}, "no folder given"},
        {{R, "--move-to"}, 1, {}, "needs a value"},
    };
    for (const auto& c : cases) {
        std::string shown;
        for (const auto& arg : c.args) {
            shown += arg + ' ';
        }
        SCOPED_TRACE(shown);
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(outcome.status, c.status) << outcome.err;
        EXPECT_EQ(Relative(ParseGroups(outcome.out)), Relative(c.groups));
        EXPECT_NE(outcome.err.find(c.errorText), std::string::npos) << outcome.err;
        if (c.status == 0) {
            EXPECT_EQ(outcome.err, "");
        }
    }
}

TEST_F(CliProgram, SubfolderWithoutAccessExitsTwoAndKeepsTheRest) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    WriteFile(root / "a", "x");
    WriteFile(root / "b", "x");
    WriteFile(root / "locked/c", "x");
    fs::permissions(root / "locked", fs::perms::none);
    const Outcome outcome = Run({"-r", root.string()});
    fs::permissions(root / "locked", fs::perms::owner_all);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(Relative(ParseGroups(outcome.out)), (Groups{{"a", "b"}}));
    EXPECT_NE(outcome.err.find("path " + root.string() + "/locked/.. Err n\u00B0 13\n"),
              std::string::npos)
        << outcome.err;
}

TEST_F(CliProgram, ExportHasTheWindowWritersBytes) {
    WriteFile(root / "one.txt", "same");
    WriteFile(root / "sub/caf\xc3\xa9.txt", "same");
    WriteFile(root / "sub/\xe2\x82\xacuro.txt", "same");
    WriteFile(root / "two.bin", std::string(70000, 'z'));
    WriteFile(root / "sub/two.bin", std::string(70000, 'z'));
    WriteFile(root / "single", "alone");
    const fs::path exported = Capture("export.log");

    const Outcome outcome = Run({"-r", "--export", exported.string(), root.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");

    // The same search in this process, as the window runs it.
    mollwick::cli::QueuePort port;
    CResultMap results;
    auto* worker = mollwick::BeginThread<CFinderThread>(1);
    ASSERT_NE(worker, nullptr);
    const auto channel = worker->Channel();
    worker->m_strExtensions = "*";
    worker->m_bAllExtensions = true;
    worker->m_strSourcePaths = "\r\n" + root.string();
    worker->m_pResults = &results;
    worker->m_bSubfolders = true;
    worker->m_pMainDlg = &port;
    worker->PostThreadMessage(WM_FINDER_SEARCH);
    for (mollwick::Message m = port.Take(); m.message != WM_FINDER_DONE; m = port.Take()) {
        delete reinterpret_cast<CProgressInfo*>(m.wParam);
    }
    worker->PostThreadMessage(mollwick::WM_QUIT);
    ASSERT_TRUE(channel->WaitForEnd(std::chrono::seconds(10)));

    const std::string expected = FormatExport(results);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 7);  // 5 files, 2 groups
    EXPECT_EQ(ReadFile(exported), expected);
}

TEST_F(CliProgram, JsonCarriesEveryNameExactly) {
    const std::vector<std::string> names = {
        "plain.txt",        "new\nline.txt",   "bad\xff\xfe.txt", "\xe2\x82\xacuro.txt",
        "na\xc3\xafve.txt", "q\"uote\\.txt\t", "\x01\x1f.txt",
    };
    for (const auto& name : names) {
        WriteFile(root / name, "same");
    }
    WriteFile(root / "x1", "other");
    WriteFile(root / "x2", "other");
    const fs::path json = Capture("out.json");
    const Outcome outcome = Run({"--json", root.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    WriteFile(json, outcome.out);

    // Python's own parser reads it back; each path comes back as hex of its bytes.
    const fs::path script = Capture("check.py");
    WriteFile(script, R"(import base64, json, sys
doc = json.load(open(sys.argv[1], encoding="utf-8"))
print(doc["mode"], doc["total_files"], doc["duplicates"], len(doc["groups"]))
keys = [g["key"] for g in doc["groups"]]
assert keys == sorted(keys) and all(len(k) == 40 for k in keys), keys
for g in doc["groups"]:
    for f in g["files"]:
        assert f["folder"] + f["name"] == f["path"]
        assert f["size"] == f["size64"]
        if "path_b64" in f:
            assert "\ufffd" in f["path"]
            raw = base64.b64decode(f["path_b64"])
        else:
            raw = f["path"].encode("utf-8")
        print(raw.hex())
)");
    const pid_t pid = Spawn("python3", {script.string(), json.string()});
    const Outcome checked = Finish(pid);
    ASSERT_EQ(checked.status, 0) << checked.err;

    std::istringstream lines(checked.out);
    std::string summary;
    std::getline(lines, summary);
    EXPECT_EQ(summary, "content 9 7 2");
    std::set<std::string> seen;
    for (std::string hex; std::getline(lines, hex);) {
        seen.insert(hex);
    }
    std::set<std::string> expected;
    for (const auto& name : names) {
        std::string hex;
        for (unsigned char c : root.string() + "/" + name) {
            static constexpr char kDigits[] = "0123456789abcdef";
            hex += kDigits[c >> 4];
            hex += kDigits[c & 0xF];
        }
        expected.insert(hex);
    }
    EXPECT_TRUE(std::includes(seen.begin(), seen.end(), expected.begin(), expected.end()));
    EXPECT_EQ(seen.size(), names.size() + 2);
}

// ---- Actions -----------------------------------------------------------------

class CliAction : public CliProgram {
protected:
    void SetUp() override {
        CliProgram::SetUp();
        WriteFile(root / "p/dup.txt", "one");
        WriteFile(root / "q/dup.txt", "one");
        WriteFile(root / "r/dup.txt", "one");
        WriteFile(root / "k1.txt", "two");
        WriteFile(root / "k2.txt", "two");
        WriteFile(root / "solo.txt", "three");
    }
};

TEST_F(CliAction, DeleteKeepsTheFirstOfEachGroup) {
    const Outcome outcome = Run({"-r", "--delete", "--yes", root.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("Moved/Deleted files: 3\n"), std::string::npos) << outcome.err;
    const Groups groups = ParseGroups(outcome.out);
    ASSERT_EQ(groups.size(), 2u);
    for (const auto& group : groups) {
        EXPECT_TRUE(fs::exists(group.front())) << group.front();
        for (std::size_t i = 1; i < group.size(); ++i) {
            EXPECT_FALSE(fs::exists(group[i])) << group[i];
        }
    }
    EXPECT_TRUE(fs::exists(root / "solo.txt"));
}

TEST_F(CliAction, MoveTakesTheNumberedNameOnAClash) {
    WriteFile(dest / "dup.txt", "already there");
    const auto before = Snapshot(root);
    const Outcome outcome = Run({"-r", "--move-to", dest.string(), "--yes", root.string()});
    ASSERT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("Moved/Deleted files: 3\n"), std::string::npos) << outcome.err;

    // In key order, each copy goes in under its own name, or under "N_name"
    // when that is taken, N counting the files moved before it.
    std::set<std::string> expectedInDest = {"dup.txt"};
    int handled = 0;
    for (const auto& group : ParseGroups(outcome.out)) {
        EXPECT_TRUE(fs::exists(group.front()));
        for (std::size_t i = 1; i < group.size(); ++i, ++handled) {
            const std::string name = fs::path(group[i]).filename();
            const std::string target =
                expectedInDest.count(name) ? std::to_string(handled) + "_" + name : name;
            expectedInDest.insert(target);
            EXPECT_FALSE(fs::exists(group[i]));
            EXPECT_EQ(ReadFile(dest / target), before.at(group[i])) << target;
        }
    }
    EXPECT_EQ(handled, 3);
    std::set<std::string> inDest;
    for (const auto& entry : fs::directory_iterator(dest)) {
        inDest.insert(entry.path().filename());
    }
    EXPECT_EQ(inDest, expectedInDest);
    EXPECT_EQ(ReadFile(dest / "dup.txt"), "already there");
}

TEST_F(CliAction, MoveThatLeavesFilesBehindExitsTwo) {
    fs::remove_all(root);
    WriteFile(root / "x/f", "same");
    WriteFile(root / "y/f", "same");
    WriteFile(dest / "f", "taken");
    WriteFile(dest / "0_f", "taken too");
    const Outcome outcome = Run({"-r", "--move-to", dest.string(), "--yes", root.string()});
    EXPECT_EQ(outcome.status, 2);
    EXPECT_NE(outcome.err.find("Moved/Deleted files: 1\n"), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("1 of 1 files were left in place"), std::string::npos);
    EXPECT_TRUE(fs::exists(root / "x/f"));
    EXPECT_TRUE(fs::exists(root / "y/f"));
}

TEST_F(CliAction, DryRunAndUnconfirmedActionsTouchNothing) {
    const auto both = [&] { return std::make_pair(Snapshot(root), Snapshot(dest)); };
    const auto before = both();
    const std::string R = root.string();
    const std::string D = dest.string();
    const struct {
        std::vector<std::string> args;
        int status;
        std::string errorText;
    } cases[] = {
        {{"-r", "--delete", "--dry-run", R}, 0, "Dry run: 3 files would be deleted"},
        {{"-r", "--move-to", D, "--dry-run", R}, 0, "Would move: " + R + "/"},
        // Standard input is not a terminal and --yes was not given.
        {{"-r", "--delete", R}, 1, "refusing to delete"},
        {{"-r", "--move-to", D, R}, 1, "refusing to move"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        const Outcome outcome = Run(c.args);
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_NE(outcome.err.find(c.errorText), std::string::npos) << outcome.err;
        EXPECT_EQ(both(), before);
        if (c.status == 1) {
            EXPECT_EQ(outcome.out, "");
        }
    }
}

TEST_F(CliAction, TerminalQuestionActsOnlyOnYes) {
    const auto before = Snapshot(root);
    for (const std::string answer : {"n", "", "yes"}) {
        SCOPED_TRACE("answer: " + answer);
        int master = -1;
        const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::execl(MOLLWICK_CLI_PATH, MOLLWICK_CLI_PATH, "-r", "--delete", root.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        std::string seen;
        char buffer[4096];
        bool answered = false;
        for (;;) {
            const ssize_t n = ::read(master, buffer, sizeof buffer);
            if (n <= 0) {
                break;  // EIO once the program has ended
            }
            seen.append(buffer, static_cast<std::size_t>(n));
            if (!answered && seen.find("[y/N] ") != std::string::npos) {
                const std::string line = answer + "\n";
                ASSERT_EQ(::write(master, line.data(), line.size()),
                          static_cast<ssize_t>(line.size()));
                answered = true;
            }
        }
        ::close(master);
        int waitStatus = 0;
        ::waitpid(pid, &waitStatus, 0);
        EXPECT_EQ(StatusOf(waitStatus), 0) << seen;
        EXPECT_TRUE(answered) << seen;
        EXPECT_NE(seen.find("Do you want to delete the selected? (3 files)"), std::string::npos);
        if (answer == "yes") {
            EXPECT_NE(seen.find("Moved/Deleted files: 3"), std::string::npos) << seen;
            EXPECT_EQ(Snapshot(root).size(), before.size() - 3);
        } else {
            EXPECT_NE(seen.find("Nothing was deleted."), std::string::npos) << seen;
            EXPECT_EQ(Snapshot(root), before);
        }
    }
}

// ---- Ctrl-C --------------------------------------------------------------------

TEST_F(CliProgram, InterruptedSearchPrintsGroupsSoFarAndActsOnNothing) {
    // Folders are searched in the order given: "small" is done before the
    // first of the large files is read.
    WriteFile(root / "small/a", "dup");
    WriteFile(root / "small/b", "dup");
    constexpr int kLarge = 16;
    for (int i = 0; i < kLarge; ++i) {
        const fs::path big = root / "large" / ("big" + std::to_string(i));
        WriteFile(big, "");
        fs::resize_file(big, std::uintmax_t{64} << 20);  // sparse: costs no disk
    }
    const auto before = Snapshot(root / "small");
    const pid_t pid = Spawn(MOLLWICK_CLI_PATH, {"--delete", "--yes", (root / "small").string(),
                                                (root / "large").string()});

    // Interrupt once the program holds one of the large files open.
    const std::string large = (root / "large").string() + "/";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool reading = false;
    while (!reading && std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
            reading = reading || fs::read_symlink(fd.path(), ec).string().starts_with(large);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(reading);
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    const Outcome outcome = Finish(pid);

    EXPECT_EQ(outcome.status, 130) << outcome.err;
    const Groups groups = Relative(ParseGroups(outcome.out));
    ASSERT_GE(groups.size(), 1u);
    EXPECT_NE(
        std::find(groups.begin(), groups.end(), std::vector<std::string>{"small/a", "small/b"}),
        groups.end());
    // Stopped after the file in hand: not every large file was read.
    std::size_t largeSeen = 0;
    for (const auto& group : groups) {
        largeSeen += group.front().starts_with("large/") ? group.size() : 0;
    }
    EXPECT_LT(largeSeen, static_cast<std::size_t>(kLarge));
    EXPECT_EQ(Snapshot(root / "small"), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "large"), fs::directory_iterator()),
              kLarge);
}

}  // namespace
