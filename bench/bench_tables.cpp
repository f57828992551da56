// Large tables, side by side in one run: opening a 1,000,000-line CSV written
// by the program (to its last row shown) beside a plain read-and-split of the
// same file, graphing that table, one wheel-zoom redraw of 4 × 1,000,000
// points (and a rectangle zoom and Undo Zoom), a 400 MB file without a line
// break, and how soon Cancel ends an open. Each measurement runs in a child
// process of its own, so its peak memory (VmHWM) is its own.
#include "app/Regional.h"
#include "app/UMain.h"
#include "chart/ChartTypes.h"
#include "chart/PESGraph.h"
#include "files/TextLines.h"
#include "files/UScope.h"
#include "graph/UGraph.h"
#include "logger/UList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QWheelEvent>
#include <benchmark/benchmark.h>
#include <qcustomplot.h>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <array>
#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

constexpr int Rows = 1000000;

QTemporaryDir& scratch()
{
    static QTemporaryDir dir;
    return dir;
}

// The peak resident memory of this process in MB.
double peakMB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmHWM:") {
            double kb = 0;
            status >> kb;
            return kb / 1024;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

using Figures = std::map<std::string, double>;

// CPU seconds this process has used: beside the wall time, a figure that a
// machine busy with other work inflates far less.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

// Runs `work` in a child process and returns the figures it reports, its
// peak memory included as "peak_MB".
template <typename Work> Figures inChild(Work work)
{
    int fds[2];
    if (pipe(fds) != 0)
        return {};
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        std::ofstream("/proc/self/clear_refs") << "5";  // peak memory counts from here
        Figures figures = work();
        figures["peak_MB"] = peakMB();
        std::string text;
        for (const auto& [k, v] : figures)
            text += k + " " + std::to_string(v) + "\n";
        [[maybe_unused]] const auto written = write(fds[1], text.data(), text.size());
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    std::array<char, 4096> buffer;
    for (ssize_t n; (n = read(fds[0], buffer.data(), buffer.size())) > 0;)
        text.append(buffer.data(), size_t(n));
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    Figures figures;
    std::istringstream in(text);
    std::string key;
    double value = 0;
    while (in >> key >> value)
        figures[key] = value;
    return figures;
}

// A million lines as the program writes a graph as CSV: one sample a second.
QString millionLineCsv()
{
    const QString path = scratch().filePath(QStringLiteral("million.csv"));
    if (QFile::exists(path))
        return path;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const TDateTime start = DateTime::fromQDateTime(QDateTime(QDate(2026, 1, 13), QTime(14, 0, 0)));
    QByteArray chunk;
    for (int r = 0; r < Rows; ++r) {
        const TDateTime x = start + r * DateTime::OneSecond;
        const std::array<float, 4> y{float(20 + std::sin(r * 1e-3) * 5), float(r % 2000) / 10.0f - 50.0f,
                                     r % 997 == 0 ? 9999.0f : -12.5f, float(r % 300) / 10.0f};
        chunk += TextLines::graphLine(x, y, QLatin1Char(',')).toUtf8() + "\r\n";
        if (chunk.size() > (1 << 20)) {
            file.write(chunk);
            chunk.clear();
        }
    }
    file.write(chunk);
    return path;
}

// 400 MB in one line: fields and commas, never a line break.
QString noLineBreakFile()
{
    const QString path = scratch().filePath(QStringLiteral("noline.csv"));
    if (QFile::exists(path))
        return path;
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray chunk;
    while (chunk.size() < (1 << 20))
        chunk += "21.5,";
    chunk.truncate(1 << 20);
    for (int i = 0; i < 400; ++i)
        file.write(chunk);
    return path;
}

// A main window whose frame is shown, as the user sees tables in it.
struct ShownMain {
    TfrmMain main;
    std::unique_ptr<QMdiArea> frame;
    ShownMain()
    {
        frame.reset(main.MdiArea);
        frame->setParent(nullptr);
        frame->resize(1280, 900);
        frame->show();
        QApplication::processEvents();
    }
};

void report(benchmark::State& state, const Figures& figures, const std::string& seconds)
{
    for (auto _ : state)
        state.SetIterationTime(figures.count(seconds) ? figures.at(seconds) : 0);
    for (const auto& [k, v] : figures)
        state.counters[k] = v;
}

void BM_OpenCsv1MBesideReadAndSplit(benchmark::State& state)
{
    const QString path = millionLineCsv();
    const Figures split = inChild([&path] {
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuSeconds();
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        qint64 fields = 0;
        while (!file.atEnd())
            fields += file.readLine().split(',').size();
        return Figures{{"s", timer.nsecsElapsed() / 1e9}, {"cpu_s", cpuSeconds() - cpu}, {"fields", double(fields)}};
    });
    const Figures open = inChild([&path] {
        ShownMain shown;
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuSeconds();
        TfrmList* list = shown.main.OpenTextFile(path, QLatin1Char(','));
        list->Grid1->scrollToBottom();
        list->Grid1->viewport()->repaint();
        const double seconds = timer.nsecsElapsed() / 1e9;
        return Figures{{"s", seconds}, {"cpu_s", cpuSeconds() - cpu}, {"rows", double(list->dataRowCount())}};
    });
    Figures figures{{"open_s", open.at("s")},
                    {"split_s", split.at("s")},
                    {"open_per_split", open.at("s") / split.at("s")},
                    {"open_cpu_s", open.at("cpu_s")},
                    {"split_cpu_s", split.at("cpu_s")},
                    {"open_per_split_cpu", open.at("cpu_s") / split.at("cpu_s")},
                    {"open_peak_MB", open.at("peak_MB")},
                    {"split_peak_MB", split.at("peak_MB")},
                    {"rows", open.at("rows")}};
    report(state, figures, "open_s");
}
BENCHMARK(BM_OpenCsv1MBesideReadAndSplit)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_GraphTable1M(benchmark::State& state)
{
    const QString path = millionLineCsv();
    const Figures figures = inChild([&path] {
        ShownMain shown;
        TfrmList* list = shown.main.OpenTextFile(path, QLatin1Char(','));
        shown.main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(list->parentWidget()));
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuSeconds();
        shown.main.btnOutputToGraphClick();
        auto* graph = qobject_cast<TfrmGraph*>(shown.main.activeChild());
        graph->PESGraph1->redrawNow();
        const double seconds = timer.nsecsElapsed() / 1e9;
        return Figures{{"graph_s", seconds}, {"graph_cpu_s", cpuSeconds() - cpu},
                       {"points", double(graph->PESGraph1->Points())}};
    });
    report(state, figures, "graph_s");
}
BENCHMARK(BM_GraphTable1M)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_ZoomRedraw4x1M(benchmark::State& state)
{
    const Figures figures = inChild([] {
        PESGraph chart;
        chart.resize(1175, 480);
        chart.setSubsets(4);
        chart.setPoints(Rows);
        std::vector<double> xs(size_t(Rows) * 4);
        std::vector<float> ys(size_t(Rows) * 4);
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < 4; ++c) {
                xs[size_t(r) * 4 + c] = 46000.0 + r / 86400.0;
                ys[size_t(r) * 4 + c] = float(20 + c * 5 + 10 * std::sin(r * 1e-4 + c) + (r % 7) * 0.1);
            }
        chart.loadXDataII(xs.data(), qsizetype(xs.size()));
        chart.loadYData(ys.data(), qsizetype(ys.size()));
        chart.PEactions(sgReinitAndReset);
        chart.redrawNow();
        QCustomPlot* plot = chart.findChild<QCustomPlot*>();
        const QPointF centre(plot->width() / 2.0, plot->height() / 2.0);
        double cpuTotal = 0;
        const auto timed = [&cpuTotal](const auto& action) {
            QElapsedTimer timer;
            timer.start();
            const double cpu = cpuSeconds();
            action();
            cpuTotal += cpuSeconds() - cpu;
            return timer.nsecsElapsed() / 1e6;
        };
        double wheelTotal = 0;
        double wheelWorst = 0;
        const int wheels = 20;
        for (int i = 0; i < wheels; ++i) {
            // In and out in turn, so the view stays near the whole graph.
            const int delta = i % 2 == 0 ? 120 : -120;
            const double ms = timed([&] {
                QWheelEvent wheel(centre, plot->mapToGlobal(centre), QPoint(), QPoint(0, delta), Qt::NoButton,
                                  Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(plot, &wheel);
                plot->replot(QCustomPlot::rpImmediateRefresh);
            });
            wheelTotal += ms;
            wheelWorst = std::max(wheelWorst, ms);
        }
        const double wheelCpu = cpuTotal * 1000 / wheels;
        const double rect = timed([&] {
            chart.zoomToPixelRect(QRect(plot->width() / 4, plot->height() / 4, plot->width() / 2, plot->height() / 2));
            plot->replot(QCustomPlot::rpImmediateRefresh);
        });
        const double undo = timed([&] {
            chart.PEactions(sgUndoZoom);
            plot->replot(QCustomPlot::rpImmediateRefresh);
        });
        return Figures{{"wheel_ms", wheelTotal / wheels}, {"wheel_cpu_ms", wheelCpu}, {"wheel_worst_ms", wheelWorst}, {"rect_zoom_ms", rect},
                       {"undo_zoom_ms", undo}};
    });
    for (auto _ : state)
        state.SetIterationTime(figures.at("wheel_ms") / 1000);
    for (const auto& [k, v] : figures)
        state.counters[k] = v;
}
BENCHMARK(BM_ZoomRedraw4x1M)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_NoLineBreak400MB(benchmark::State& state)
{
    const QString path = noLineBreakFile();
    const Figures figures = inChild([&path] {
        ShownMain shown;
        QElapsedTimer timer;
        timer.start();
        TfrmList* list = shown.main.OpenTextFile(path, QLatin1Char(','));
        return Figures{{"s", timer.nsecsElapsed() / 1e9}, {"rows", list ? double(list->dataRowCount()) : 0.0},
                       {"file_MB", QFile(path).size() / 1048576.0}};
    });
    report(state, figures, "s");
}
BENCHMARK(BM_NoLineBreak400MB)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_CancelWhileOpening1M(benchmark::State& state)
{
    const QString path = millionLineCsv();
    const Figures figures = inChild([&path] {
        ShownMain shown;
        QElapsedTimer pressed;
        // Cancel is pressed 200 ms into the open, as a user would.
        QTimer::singleShot(200, [&pressed] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* scope = qobject_cast<TfrmScope*>(w); scope && scope->isVisible()) {
                    scope->BitBtn2->click();
                    pressed.start();
                }
        });
        TfrmList* list = shown.main.OpenTextFile(path, QLatin1Char(','));
        const double answered = pressed.isValid() ? pressed.nsecsElapsed() / 1e9 : -1;
        return Figures{{"cancel_answer_s", answered}, {"rows_kept", list ? double(list->dataRowCount()) : 0.0}};
    });
    report(state, figures, "cancel_answer_s");
}
BENCHMARK(BM_CancelWhileOpening1M)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
