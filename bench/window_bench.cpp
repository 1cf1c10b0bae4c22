// Drives a real MainWindow (offscreen platform) through one query or one save
// against a running vokari-sim and prints what it measured, one "name value"
// line each, for bench/run_benchmarks.sh to set beside its curl baselines.
//
//   window_bench query HOST NUMBER [--probe]   click to final caption
//   window_bench save HOST NUMBER DIR [--probe] first song's MP3 into DIR
//   window_bench parts HOST TARGET DIR          the save's two steps alone
//                                               (requestBytes, writeWholeFile)
//                                               and filling memory of that size
//
// --probe keeps a 0 ms timer running and reports the longest interval
// between two of its firings: the longest time in which the window's event
// loop took no turn, so a click or a repaint would have waited that long.
// It costs a little CPU, so the timed runs leave it off.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/commands/message_box.h"
#include "app/commands/whole_file.h"
#include "app/commands/save_dialog.h"
#include "app/main_window.h"
#include "app/player_box.h"
#include "app/qt_text.h"
#include "app/song_grid.h"
#include "net/fetch.h"

namespace {

using Clock = std::chrono::steady_clock;

double msBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// A kB figure of this process from /proc/self/status ("VmHWM", "VmRSS").
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::atol(line.c_str() + field.size() + 1);
    }
    return -1;
}

// The longest gap between two turns of the event loop while it runs.
class TurnProbe {
public:
    explicit TurnProbe(bool enabled) {
        if (!enabled) return;
        QObject::connect(&timer_, &QTimer::timeout, [this] { turn(); });
        timer_.start(0);
        start_ = last_ = Clock::now();
    }
    void stop() {
        if (!timer_.isActive()) return;
        turn();
        timer_.stop();
    }
    void print() const {
        if (turns_ == 0) return;
        std::printf("max_gap_ms %.1f\nmax_gap_ends_ms %.1f\nturns %ld\n", longest_, longestEnds_, turns_);
    }

private:
    void turn() {
        const auto now = Clock::now();
        if (msBetween(last_, now) > longest_) {
            longest_ = msBetween(last_, now);
            longestEnds_ = msBetween(start_, now);
        }
        last_ = now;
        ++turns_;
    }

    QTimer timer_;
    Clock::time_point start_;
    Clock::time_point last_;
    double longest_ = 0;
    double longestEnds_ = 0;  // when the longest gap ended, from the start
    long turns_ = 0;
};

struct Bench {
    vokari::MainWindow window;
    Clock::time_point lastCaption;

    explicit Bench(const vokari::Text& host) : window(vokari::ServiceHosts{host, host, host}) {
        QObject::connect(&window, &QWidget::windowTitleChanged, [this] { lastCaption = Clock::now(); });
        window.show();
        (void)QTest::qWaitForWindowExposed(&window);
    }

    // Clicks 查询 and returns once the query has ended (the command runs
    // inside the click); the time is the click to the last caption.
    double query(const QString& number) {
        window.numberEdit()->setText(number);
        const auto start = Clock::now();
        QTest::mouseClick(window.queryButton(), Qt::LeftButton);
        return msBetween(start, lastCaption);
    }

    int rows() const { return window.grid()->gridRowCount() - 1; }
};

int runQuery(const vokari::Text& host, const QString& number, bool probe) {
    Bench bench(host);
    TurnProbe turns(probe);
    const double ms = bench.query(number);
    turns.stop();
    std::printf("query_ms %.1f\nrows %d\ncaption %s\n", ms, bench.rows(),
                vokari::toQString(bench.window.caption()).toUtf8().constData());
    turns.print();
    return bench.rows() > 0 ? 0 : 1;
}

// What the save did between the confirmed dialog and its message: the
// download and the file write, and the memory they took.
struct SaveWatch {
    Clock::time_point clicked;
    Clock::time_point confirmed;
    Clock::time_point answered;
    long rssBeforeKb = -1;
    long hwmBeforeKb = -1;
    long hwmAfterKb = -1;
    QString message;
};

// The real message box runs an event loop of its own as soon as it shows,
// so the probe's watch ends where the message is given.
void watchSave(SaveWatch& watch, const QString& path, TurnProbe& turns) {
    vokari::SaveDialog::setNextAnswer([&watch, path](const vokari::SaveDialog&) -> std::optional<QString> {
        watch.rssBeforeKb = statusKb("VmRSS");
        watch.hwmBeforeKb = statusKb("VmHWM");
        watch.confirmed = Clock::now();
        return path;
    });
    vokari::MessageBox::setRecorder([&watch, &turns](const QString&, const QString& text) {
        turns.stop();
        watch.answered = Clock::now();
        watch.hwmAfterKb = statusKb("VmHWM");
        watch.message = text;
    });
}

void rightClickFirstRow(vokari::SongGrid& grid) {
    const QPoint centre = grid.visualRect(grid.model()->index(0, 0)).center();
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, centre);
    QTest::mousePress(grid.viewport(), Qt::RightButton, {}, centre);
    QTest::mouseRelease(grid.viewport(), Qt::RightButton, {}, centre);
}

void printSave(const SaveWatch& watch, const QString& path) {
    const qint64 bytes = QFileInfo(path).size();
    const double ms = msBetween(watch.confirmed, watch.answered);
    std::printf("message %s\nfile_bytes %lld\nconfirmed_after_click_ms %.1f\nsave_ms %.1f\nsave_mb_per_s %.1f\n",
                watch.message.toUtf8().constData(), static_cast<long long>(bytes),
                msBetween(watch.clicked, watch.confirmed), ms, static_cast<double>(bytes) / 1e6 / (ms / 1e3));
    std::printf("rss_before_kb %ld\nhwm_before_kb %ld\nhwm_after_kb %ld\n", watch.rssBeforeKb, watch.hwmBeforeKb,
                watch.hwmAfterKb);
}

int runSave(const vokari::Text& host, const QString& number, const QString& dir, bool probe) {
    Bench bench(host);
    if (bench.query(number) <= 0 || bench.rows() < 1) return 1;
    const QString path = QDir(dir).filePath(QStringLiteral("bench.mp3"));
    SaveWatch watch;
    TurnProbe turns(probe);
    watchSave(watch, path, turns);
    watch.clicked = Clock::now();
    rightClickFirstRow(*bench.window.grid());
    turns.stop();
    if (watch.message.isEmpty()) return 1;
    printSave(watch, path);
    turns.print();
    return 0;
}

// What holding a download in memory costs before any network: appending its
// size in libcurl's 16 KB pieces to a buffer reserved for it, whose pages the
// kernel hands out one fault at a time.
double freshFillMs(std::size_t bytes) {
    const std::string piece(16 * 1024, 'x');
    const auto start = Clock::now();
    vokari::Bytes body;
    body.reserve(bytes);
    while (body.size() + piece.size() <= bytes) body.append(piece);
    body.append(piece, 0, bytes - body.size());
    const double ms = msBetween(start, Clock::now());
    return body.size() == bytes ? ms : -1;
}

// The download and the file write of a save, each timed on its own with the
// window's pumps installed, to tell which of them a slow save spends on.
int runParts(const vokari::Text& host, const QString& target, const QString& dir) {
    Bench bench(host);
    int status = 0;
    auto start = Clock::now();
    const vokari::Bytes body = vokari::requestBytes("http://" + host + vokari::toText(target), {.statusCode = &status});
    const double downloadMs = msBetween(start, Clock::now());
    start = Clock::now();
    const bool written = vokari::writeWholeFile(QDir(dir).filePath(QStringLiteral("parts.mp3")), body);
    const double writeMs = msBetween(start, Clock::now());
    std::printf("status %d\nbytes %zu\ndownload_ms %.1f\nwrite_ms %.1f\nfresh_fill_ms %.1f\n", status, body.size(),
                downloadMs, writeMs, freshFillMs(body.size()));
    return written ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    vokari::chooseMediaBackend();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const bool probe = args.contains(QStringLiteral("--probe"));
    if (args.size() >= 4 && args[1] == QStringLiteral("query")) {
        return runQuery(vokari::toText(args[2]), args[3], probe);
    }
    if (args.size() >= 5 && args[1] == QStringLiteral("save")) {
        return runSave(vokari::toText(args[2]), args[3], args[4], probe);
    }
    if (args.size() >= 5 && args[1] == QStringLiteral("parts")) {
        return runParts(vokari::toText(args[2]), args[3], args[4]);
    }
    std::fprintf(stderr, "usage: window_bench query HOST NUMBER [--probe] | save HOST NUMBER DIR [--probe] | "
                         "parts HOST TARGET DIR\n");
    return 2;
}
