// A folder of 10,000 rows must open as fast as one of ten: open (show and first paint),
// reopen (reload and paint, as a screen does each time it appears), scroll to the end.
// Offscreen; run as  QT_QPA_PLATFORM=offscreen kavio_lists_bench

#include "platform/base/Animated.h"
#include "platform/lists/TableView.h"
#include "platform/lists/TableViewCell.h"
#include "platform/lists/TableViewCellLabel.h"

#include <QApplication>
#include <QScrollBar>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using namespace kavio::platform;

// Rows like the car's folder browser: a new subtitle cell per row, filled on display.
class Folder : public TableViewDataSource, public TableViewDelegate {
public:
    explicit Folder(int rows) : rows_(rows) {}

    int numberOfRowsInSection(TableView&, int) override { return rows_; }
    std::unique_ptr<TableViewCell> cellForRow(TableView&, const IndexPath&) override
    {
        auto cell = std::make_unique<TableViewCell>(TableViewCellStyle::Subtitle);
        cell->setSelectionStyle(TableViewCellSelectionStyle::None);
        cell->setBackgroundColor(QColor(46, 46, 46));
        return cell;
    }
    void willDisplayCell(TableView&, TableViewCell& cell, const IndexPath& path) override
    {
        cell.textLabel()->setText(QStringLiteral("clip %1.mp4").arg(path.row));
        cell.textLabel()->setTextColor(Qt::white);
        cell.detailTextLabel()->setText(QStringLiteral("Artist"));
        cell.setAccessoryType(TableViewCellAccessory::DisclosureIndicator);
    }

private:
    int rows_;
};

std::unique_ptr<TableView> makeTable(Folder& folder)
{
    auto table = std::make_unique<TableView>(TableViewStyle::InsetGrouped);
    table->setBackgroundColor(QColor(51, 50, 50));
    table->setRowHeight(60);
    table->setDataSource(&folder);
    table->setDelegate(&folder);
    table->resize(800, 480);
    return table;
}

// What the event loop does between frames: deferred deletions, pending updates.
void settle()
{
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The frame, painted into the window's backing store at once.
void paint(TableView& table) { table.repaint(); }

void BM_OpenTable(benchmark::State& state)
{
    Folder folder(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto table = makeTable(folder);
        table->show();
        paint(*table);
        state.PauseTiming();
        table.reset();
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenTable)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_ReopenTable(benchmark::State& state)
{
    Folder folder(static_cast<int>(state.range(0)));
    auto table = makeTable(folder);
    table->show();
    paint(*table);
    settle();
    for (auto _ : state) {
        table->reloadData();
        paint(*table);
        state.PauseTiming();
        settle();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ReopenTable)->Arg(10)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_ScrollToEnd(benchmark::State& state)
{
    Folder folder(static_cast<int>(state.range(0)));
    auto table = makeTable(folder);
    table->show();
    paint(*table);
    for (auto _ : state) {
        state.PauseTiming();
        table->setContentOffset(0, Animated::No);
        paint(*table);
        settle();
        state.ResumeTiming();
        table->setContentOffset(table->verticalScrollBar()->maximum(), Animated::No);
        paint(*table);
    }
}
BENCHMARK(BM_ScrollToEnd)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Page by page from top to bottom: every row of the folder is built and let go once.
void BM_ScrollThroughByPages(benchmark::State& state)
{
    Folder folder(static_cast<int>(state.range(0)));
    auto table = makeTable(folder);
    table->show();
    for (auto _ : state) {
        QScrollBar* bar = table->verticalScrollBar();
        for (int y = 0; y <= bar->maximum(); y += bar->pageStep()) {
            bar->setValue(y);
            paint(*table);
        }
        state.PauseTiming();
        table->setContentOffset(0, Animated::No);
        settle();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ScrollThroughByPages)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setAnimationsEnabled(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
