// Candidate generation into the window's list. Run the release build:
//   QT_QPA_PLATFORM=offscreen build/release/bench/bench_generate
#include "app/CSearchDlg.h"
#include "generate/core/CandidateGenerator.h"
#include "generate/core/PendingRows.h"

#include <QApplication>
#include <benchmark/benchmark.h>

namespace {

class SilentMessageBoxes : public MessageBoxSeam
{
public:
    void Show(const std::string&, MessageBoxIcon) override {}
};

// The duplicate test done as a plain list would do it: every row compared with every candidate.
class RowByRowList : public CandidateList
{
public:
    bool IsDomainListed(std::string_view name) const override
    {
        for (const std::string& row : rows) {
            if (row == name) {
                return true;
            }
        }
        return false;
    }
    void AddPendingRow(std::string name) override { rows.push_back(std::move(name)); }

    std::vector<std::string> rows;
};

constexpr int kListed = 100'000;
constexpr int kNew = 100'000;

std::string NumberedLines(const char* stem, int count)
{
    std::string text;
    for (int number = 0; number < count; ++number) {
        text += stem + std::to_string(number) + "\r\n";
    }
    return text;
}

void EightWordsNineExtensions_intoTheWindowList(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        SilentMessageBoxes boxes;
        SearchDlgSeams seams;
        seams.messageBoxes = &boxes;
        auto window = std::make_unique<CSearchDlg>(seams);
        CKeywordSelectionDlg& keywords = window->KeywordDlg();
        keywords.Options().m_strKeywords = "alpha bravo charlie delta echo foxtrot golf hotel";
        SelectAllExtensions(keywords.Options());
        keywords.SetExtensions(ExtensionsInOrder(keywords.Options()));
        state.ResumeTiming();
        window->GenerateCandidates();
        state.PauseTiming();
        state.counters["rows"] = window->List().GetItemCount();
        window.reset();
        state.ResumeTiming();
    }
}

KeywordOptions NewNamesOptions()
{
    KeywordOptions options;
    options.m_bCombineKeywords = 0;
    options.m_strKeywords = NumberedLines("fresh", kNew);
    return options;
}

void NewNames_intoAListOf100000_indexed(benchmark::State& state)
{
    const KeywordOptions options = NewNamesOptions();
    const std::vector<std::string> extensions{".com"};
    const WordLists lists;
    for (auto _ : state) {
        state.PauseTiming();
        SilentMessageBoxes boxes;
        auto list = std::make_unique<CDomainListCtrl>(boxes);
        std::vector<std::string> listed;
        for (int number = 0; number < kListed; ++number) {
            listed.push_back("www.listed" + std::to_string(number) + ".com");
        }
        list->Model().AppendPendingNames(std::move(listed));
        state.ResumeTiming();
        PendingRows newRows(
            [&](std::string_view name) { return list->Model().Rows().Contains(name); });
        CandidateGenerator(options, extensions, lists, newRows).GenerateCandidates();
        list->Model().AppendPendingNames(newRows.TakeNames());
        state.PauseTiming();
        state.counters["rows"] = list->GetItemCount();
        list.reset();
        state.ResumeTiming();
    }
}

void NewNames_intoAListOf100000_rowByRowScan(benchmark::State& state)
{
    const KeywordOptions options = NewNamesOptions();
    const std::vector<std::string> extensions{".com"};
    const WordLists lists;
    for (auto _ : state) {
        state.PauseTiming();
        RowByRowList list;
        for (int number = 0; number < kListed; ++number) {
            list.rows.push_back("www.listed" + std::to_string(number) + ".com");
        }
        state.ResumeTiming();
        CandidateGenerator(options, extensions, lists, list).GenerateCandidates();
        state.PauseTiming();
        state.counters["rows"] = static_cast<double>(list.rows.size());
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(EightWordsNineExtensions_intoTheWindowList)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(NewNames_intoAListOf100000_indexed)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(NewNames_intoAListOf100000_rowByRowScan)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(qirv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
