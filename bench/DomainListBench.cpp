// Speed and memory of the domain list with a million rows. Run the release build:
//   cmake --preset release && cmake --build --preset release
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_domainlist
#include "domainlist/CDomainListCtrl.h"
#include "domainlist/CListCommands.h"
#include "seams/DesktopSeams.h"
#include "seams/FileDialogSeam.h"
#include "seams/MessageBoxSeam.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <string>
#include <sys/resource.h>

namespace {

constexpr int kRows = 1'000'000;

class SilentMessageBoxes : public MessageBoxSeam
{
public:
    void Show(const std::string&, MessageBoxIcon) override {}
};

// The commands need no desktop; these answer for it, the file dialogs with `path`.
struct NoDesktop : ClipboardSeam, UrlOpenerSeam, FileDialogSeam
{
    void SetText(const std::string&) override {}
    void Open(const std::string&) override {}
    std::optional<ChosenFile> GetOpenFile(const FileDialogRequest&) override
    {
        return ChosenFile{path, 0};
    }
    std::optional<ChosenFile> GetSaveFile(const FileDialogRequest&) override
    {
        return ChosenFile{path, 0};
    }
    void KeepFolderOf(FileKind, const std::string&) override {}
    std::string path;
};

NoDesktop& Desktop()
{
    static NoDesktop desktop;
    return desktop;
}

CListCommands CommandsFor(CDomainListCtrl& list)
{
    NoDesktop& desktop = Desktop();
    static SilentMessageBoxes boxes;
    return CListCommands(list.Model(), [] { return -1; }, {desktop, desktop, desktop, boxes});
}

const QList<QByteArray>& Names()
{
    static const QList<QByteArray> names = [] {
        QList<QByteArray> list;
        list.reserve(kRows);
        for (int number = 0; number < kRows; ++number) {
            list.append("www.keyword" + QByteArray::number(number) + "name.com");
        }
        return list;
    }();
    return names;
}

double PeakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// A list in a window that exists but is not shown, as in the program before its first paint.
struct FilledList
{
    explicit FilledList(bool fill = true)
    {
        list.SetUp();
        if (fill) {
            for (const QByteArray& name : Names()) {
                list.AddPendingRow(name);
            }
        }
    }
    SilentMessageBoxes boxes;
    CDomainListCtrl list{boxes};
};

void AddPendingRow_withDuplicateTest(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto fixture = std::make_unique<FilledList>(false);
        if (state.range(0) != 0) {
            fixture->list.resize(400, 300);
            fixture->list.show();
            QApplication::processEvents();
        }
        state.ResumeTiming();
        for (const QByteArray& name : Names()) {
            if (!fixture->list.IsDomainListed(name)) {
                fixture->list.AddPendingRow(name);
            }
        }
        QApplication::processEvents();
        state.PauseTiming();
        fixture.reset();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = PeakMegabytes();
}

void QStandardItemModel_appendRow(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto model = std::make_unique<QStandardItemModel>(0, 2);
        state.ResumeTiming();
        for (const QByteArray& name : Names()) {
            auto* nameItem = new QStandardItem(QString::fromUtf8(name));
            nameItem->setCheckable(true);
            nameItem->setCheckState(Qt::Checked);
            model->appendRow({nameItem, new QStandardItem(QStringLiteral("Pending"))});
        }
        state.PauseTiming();
        model.reset();
        state.ResumeTiming();
    }
}

void SortByColumn(benchmark::State& state)
{
    FilledList fixture;
    for (auto _ : state) {
        fixture.list.SortByColumn(static_cast<int>(state.range(0)));
    }
}

void CheckAll(benchmark::State& state)
{
    FilledList fixture;
    CListCommands commands = CommandsFor(fixture.list);
    for (auto _ : state) {
        state.PauseTiming();
        commands.UncheckAll();
        state.ResumeTiming();
        commands.CheckAll();
    }
}

void DeleteCheckedHalf(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto fixture = std::make_unique<FilledList>();
        CListCommands commands = CommandsFor(fixture->list);
        fixture->list.Model().SetChecks([](const DomainRow& row) { return row.nameHash % 2 == 0; });
        state.ResumeTiming();
        commands.DeleteChecked();
        state.PauseTiming();
        fixture.reset();
        state.ResumeTiming();
    }
}

void IsDomainListed(benchmark::State& state)
{
    FilledList fixture;
    int found = 0;
    for (auto _ : state) {
        for (const QByteArray& name : Names()) {
            found += fixture.list.IsDomainListed(name) ? 1 : 0;
        }
    }
    benchmark::DoNotOptimize(found);
}

// A million rows, half of them answered, exported to the file "Open Domain List" then reads
// into an empty list: argument 0 a names file (as Save writes it), 1 CSV, 2 JSON.
void OpenList(benchmark::State& state)
{
    QTemporaryDir folder;
    const char* const extensions[] = {"txt", "csv", "json"};
    Desktop().path =
        folder.filePath(QStringLiteral("list.%1").arg(QLatin1String(extensions[state.range(0)])))
            .toStdString();
    {
        FilledList source;
        for (int row = 0; row < kRows; row += 2) {
            source.list.Model().SetAnswer(
                row, {.verdict = DomainStatus::Taken, .server = "whois.verisign-grs.com:43"},
                1796725581);
        }
        CListCommands commands = CommandsFor(source.list);
        if (state.range(0) == 0) {
            commands.SaveAll();
        } else {
            commands.ExportList();
        }
    }
    std::size_t rowsRead = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto fixture = std::make_unique<FilledList>(false);
        CListCommands commands = CommandsFor(fixture->list);
        state.ResumeTiming();
        commands.OpenList();
        state.PauseTiming();
        rowsRead = static_cast<std::size_t>(fixture->list.Model().rowCount());
        fixture.reset();
        state.ResumeTiming();
    }
    if (rowsRead != kRows) {
        state.SkipWithError("the opened list lost rows");
    }
    if (state.range(0) == 2) {
        // ExportList chose CSV by the first file type; the extension made it JSON.
        state.counters["file_MB"] =
            static_cast<double>(QFileInfo(QString::fromStdString(Desktop().path)).size()) / 1e6;
    }
}

// Memory of opening a large names file (3,000,000 lines, about 90 MB) into an empty list, against
// the memory of that list alone: argument 0 fills the list with the same names without any file,
// argument 1 opens the file. Each runs in a process of its own (--benchmark_filter), whose peak is
// printed at its end; the file is written a line at a time, so that writing it costs nothing.
constexpr int kLargeFileRows = 3'000'000;

std::string LargeFileName(int number)
{
    return "www.keyword" + std::to_string(number) + "name.com";
}

void OpenLargeNamesFile(benchmark::State& state)
{
    QTemporaryDir folder;
    Desktop().path = folder.filePath(QStringLiteral("large.txt")).toStdString();
    if (state.range(0) == 1) {
        std::FILE* file = std::fopen(Desktop().path.c_str(), "wb");
        for (int number = 0; number < kLargeFileRows; ++number) {
            std::fputs((LargeFileName(number) + "\r\n").c_str(), file);
        }
        std::fclose(file);
        state.counters["file_MB"] =
            static_cast<double>(QFileInfo(QString::fromStdString(Desktop().path)).size()) / 1e6;
    }
    for (auto _ : state) {
        FilledList fixture(false);
        if (state.range(0) == 1) {
            CListCommands commands = CommandsFor(fixture.list);
            commands.OpenList();
        } else {
            constexpr int kBatch = 100'000;
            for (int first = 0; first < kLargeFileRows; first += kBatch) {
                std::vector<std::string> names;
                for (int number = first; number < first + kBatch; ++number) {
                    names.push_back(LargeFileName(number));
                }
                fixture.list.Model().AppendPendingNames(std::move(names));
            }
        }
        if (fixture.list.Model().rowCount() != kLargeFileRows) {
            state.SkipWithError("the list lost rows");
        }
        state.counters["peak_MB"] = PeakMegabytes();
    }
}

void ExportList(benchmark::State& state)
{
    QTemporaryDir folder;
    Desktop().path = folder.filePath(QStringLiteral("list.csv")).toStdString();
    FilledList fixture;
    CListCommands commands = CommandsFor(fixture.list);
    for (auto _ : state) {
        commands.ExportList();
    }
}

} // namespace

// Argument 1: the list is on screen while the rows arrive.
BENCHMARK(AddPendingRow_withDuplicateTest)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(QStandardItemModel_appendRow)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SortByColumn)->Arg(0)->Arg(1)->Iterations(2)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckAll)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(DeleteCheckedHalf)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(IsDomainListed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenList)->Arg(0)->Arg(1)->Arg(2)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ExportList)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenLargeNamesFile)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(qirv);
    benchmark::Initialize(&argc, argv);
    Names();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("peak resident memory: %.0f MB\n", PeakMegabytes());
    return 0;
}
