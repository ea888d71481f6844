// Benchmark group `window` (run by bench/window.py): what the main window costs
// on top of the engine.
//
//   window_bench fill  --groups=N   fill the list with N groups of two and draw
//                                   the first screen: time and peak memory
//   window_bench floor --groups=N   walk the same results and make the same row
//                                   texts without a widget: time
//   window_bench search --tree=DIR [--repeat=N]
//                                   a by-name search of DIR through the window
//                                   (with a 10 ms timer ticking on its thread)
//                                   and through the worker alone
//
// Each prints "name value" lines on stdout for bench/window.py to read.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <QCheckBox>
#include <QRadioButton>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FinderThread.h"
#include "engine/ResultModel.h"
#include "platform/MessagePort.h"
#include "platform/MessageThread.h"
#include "ui/TessarinDlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// The process's peak resident memory so far, in bytes.
long long PeakBytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::atoll(line.c_str() + 6) * 1024;
        }
    }
    return 0;
}

std::string Option(int argc, char** argv, std::string_view name, std::string fallback) {
    const std::string prefix = "--" + std::string(name) + "=";
    for (int i = 2; i < argc; ++i) {
        if (std::string_view(argv[i]).starts_with(prefix)) {
            return argv[i] + prefix.size();
        }
    }
    return fallback;
}

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::unique_ptr<CFileRecord> Record(const std::string& folder, const std::string& name,
                                    std::uint32_t size) {
    auto record = std::make_unique<CFileRecord>();
    record->strName = name;
    record->strFolder = folder;
    record->strModified = "2023/05/06 07:08:09";
    record->nSize = size;
    record->nFullSize = size;
    return record;
}

// groups groups of two files each, with random keys, as a content search of a
// photo collection and its backup would leave them.
void MakeResults(CResultMap& results, int groups) {
    std::uint64_t state = 42;
    char name[32];
    char folder[64];
    for (int i = 0; i < groups; ++i) {
        std::uint8_t digest[20];
        for (int part = 0; part < 20; part += 8) {
            const std::uint64_t bits = SplitMix(state);
            std::copy_n(reinterpret_cast<const std::uint8_t*>(&bits), std::min(8, 20 - part),
                        digest + part);
        }
        std::snprintf(name, sizeof name, "IMG_%07d.jpg", i);
        const auto size = static_cast<std::uint32_t>(SplitMix(state) % (8u << 20));
        auto group = std::make_unique<CDuplicateGroup>();
        std::snprintf(folder, sizeof folder, "/home/user/Pictures/2023/album_%04d/", i / 500);
        group->pFirst = Record(folder, name, size);
        std::snprintf(folder, sizeof folder, "/home/user/Backup/Pictures/album_%04d/", i / 500);
        group->others.push_back(Record(folder, name, size));
        results.emplace(CDigestKey::FromBytes(digest), std::move(group));
    }
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

void ShowAndSettle(CTessarinDlg& dlg) {
    dlg.show();
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
    }
}

int RunFill(int argc, char** argv) {
    const int groups = std::stoi(Option(argc, argv, "groups", "500000"));
    CTessarinDlg dlg;
    ShowAndSettle(dlg);
    const long long before = PeakBytes();
    MakeResults(*dlg.m_results, groups);
    const long long withResults = PeakBytes();

    PaintCounter counter;
    dlg.m_listResults->viewport()->installEventFilter(&counter);
    const Clock::time_point start = Clock::now();
    dlg.FillResultList();
    // The way it happens for a user: the layout and the paint come from the
    // event loop once the list has been reset.
    while (counter.paints == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    const double seconds = Seconds(Clock::now() - start);
    const long long after = PeakBytes();

    std::printf("rows %d\n", dlg.m_listResults->model()->rowCount());
    std::printf("fill_s %.6f\n", seconds);
    std::printf("results_bytes %lld\n", withResults - before);
    std::printf("fill_bytes %lld\n", after - withResults);
    return 0;
}

// The same texts the list shows, made for every row.
int RunFloor(int argc, char** argv) {
    const int groups = std::stoi(Option(argc, argv, "groups", "500000"));
    CResultMap results;
    MakeResults(results, groups);
    const Clock::time_point start = Clock::now();
    std::size_t characters = 0;
    std::size_t rows = 0;
    const auto info = [](const CFileRecord& record, bool first) {
        const QString format = first ? QStringLiteral("Last modif.: %1, size: %2 bytes")
                                     : QStringLiteral("Last modif. :%1, size: %2 bytes");
        return format.arg(QString::fromUtf8(record.strModified))
            .arg(static_cast<qulonglong>(record.nSize));
    };
    for (const auto& [key, group] : results) {
        if (group == nullptr || group->others.empty() || group->pFirst == nullptr) {
            continue;
        }
        const CFileRecord& first = *group->pFirst;
        characters += QFile::decodeName(first.strName.c_str()).size();
        characters += (QStringLiteral("SHA1: ") + QString::fromLatin1(key.Text().c_str())).size();
        characters += QFile::decodeName(first.FullPath().c_str()).size();
        characters += info(first, true).size();
        rows += 2;
        for (const auto& other : group->others) {
            characters += QFile::decodeName(other->FullPath().c_str()).size();
            characters += info(*other, false).size();
            ++rows;
        }
    }
    const double seconds = Seconds(Clock::now() - start);
    std::printf("rows %zu\n", rows);
    std::printf("characters %zu\n", characters);
    std::printf("floor_s %.6f\n", seconds);
    return 0;
}

// The worker's port when nobody shows anything: every message is taken at once.
class BarePort : public mollwick::MessagePort {
public:
    bool Post(std::uint32_t message, std::uintptr_t wParam, std::intptr_t /*lParam*/) override {
        if (message == WM_FINDER_PROGRESS) {
            std::unique_ptr<CProgressInfo> info(reinterpret_cast<CProgressInfo*>(wParam));
            return true;
        }
        if (message == WM_FINDER_DONE) {
            const std::lock_guard lock(m_mutex);
            m_bDone = true;
            m_done.notify_all();
        }
        return true;
    }
    bool IsWaiting(std::uint32_t /*message*/) const override { return false; }

    void WaitForDone() {
        std::unique_lock lock(m_mutex);
        m_done.wait(lock, [this] { return m_bDone; });
        m_bDone = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_bDone = false;
};

double SearchWithEngine(const std::string& tree, std::size_t& groups) {
    CFinderThread* worker = mollwick::BeginThread<CFinderThread>(1);
    if (worker == nullptr) {
        std::fprintf(stderr, "the worker did not start\n");
        std::exit(1);
    }
    const std::shared_ptr<mollwick::ThreadChannel> channel = worker->Channel();
    BarePort port;
    CResultMap results;
    const std::string all(1, '*');
    worker->m_strExtensions = all;
    worker->m_bAllExtensions = true;
    worker->m_strSourcePaths = std::string("\r\n") + tree;
    worker->m_pResults = &results;
    worker->m_nCompareMode = COMPARE_BY_NAME;
    worker->m_bHiddenFiles = true;
    worker->m_bSubfolders = true;
    worker->m_pMainDlg = &port;
    const Clock::time_point start = Clock::now();
    channel->Post(WM_FINDER_SEARCH);
    port.WaitForDone();
    const double seconds = Seconds(Clock::now() - start);
    channel->Post(mollwick::WM_QUIT);
    channel->WaitForEnd();
    groups = results.size();
    return seconds;
}

struct WindowRun {
    double seconds = 0;
    double longestGapMs = 0;           // up to the first tick after the list was filled
    double longestGapSearchingMs = 0;  // while the worker ran
    int ticks = 0;
    int rows = 0;
};

WindowRun SearchWithWindow(const std::string& tree) {
    WindowRun run;
    CTessarinDlg dlg;
    ShowAndSettle(dlg);
    dlg.AddSourceFolder(QFile::decodeName(tree.c_str()));
    dlg.m_chkSubfolders->setChecked(true);
    dlg.m_chkHidden->setChecked(true);
    dlg.m_radioByName->setChecked(true);

    QEventLoop loop;
    bool ended = false;
    Clock::time_point start;
    QObject::connect(&dlg, &CTessarinDlg::JobEnded, &loop, [&] {
        ended = true;
        run.seconds = Seconds(Clock::now() - start);
    });
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    Clock::time_point lastTick;
    bool started = false;
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const Clock::time_point now = Clock::now();
        if (!started) {
            // The first tick starts the search; from here on every gap counts,
            // up to the first tick after the list has been filled.
            started = true;
            start = now;
            dlg.OnStart();
        } else {
            const double gap = std::chrono::duration<double, std::milli>(now - lastTick).count();
            run.longestGapMs = std::max(run.longestGapMs, gap);
            if (!ended) {
                run.longestGapSearchingMs = std::max(run.longestGapSearchingMs, gap);
            }
            ++run.ticks;
            if (ended) {
                loop.quit();
            }
        }
        lastTick = Clock::now();
    });
    ticker.start();
    loop.exec();
    run.rows = dlg.m_listResults->model()->rowCount();
    return run;
}

int RunSearch(int argc, char** argv) {
    const std::string tree = Option(argc, argv, "tree", "");
    const int repeat = std::stoi(Option(argc, argv, "repeat", "3"));
    if (tree.empty()) {
        std::fprintf(stderr, "search needs --tree=DIR\n");
        return 2;
    }
    for (int i = 0; i < repeat; ++i) {
        std::size_t groups = 0;
        const double engine = SearchWithEngine(tree, groups);
        const WindowRun window = SearchWithWindow(tree);
        std::printf("engine_s %.6f\n", engine);
        std::printf("window_s %.6f\n", window.seconds);
        std::printf("gap_ms %.3f\n", window.longestGapMs);
        std::printf("gap_searching_ms %.3f\n", window.longestGapSearchingMs);
        std::printf("ticks %d\n", window.ticks);
        std::printf("groups %zu\n", groups);
        std::printf("rows %d\n", window.rows);
        std::fflush(stdout);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_bench fill|floor|search [--groups=N] [--tree=DIR]\n");
        return 2;
    }
    const std::string_view mode = argv[1];
    if (mode == "floor") {
        return RunFloor(argc, argv);
    }
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (mode == "fill") {
        return RunFill(argc, argv);
    }
    if (mode == "search") {
        return RunSearch(argc, argv);
    }
    std::fprintf(stderr, "unknown mode: %s\n", argv[1]);
    return 2;
}
