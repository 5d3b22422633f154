// The window under load: a search over many checked rows against whois servers, offscreen.
// The rows take turns over the suffixes named with --whois-server (.com when none is). Prints the
// verdicts per second and the longest time the event loop was blocked. Remembered answers are
// left out, always: they would stand in for the queries measured, and fill the user's store.
//   QT_QPA_PLATFORM=offscreen bench_search_load --whois-server .SUFFIX=127.0.0.1:PORT ...
//       [--rows N] [the window's other search options]
#include "app/CSearchDlg.h"
#include "query/core/DomainStatus.h"
#include "search/SearchOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>

namespace {

class FinishWatcher : public MessageBoxSeam
{
public:
    void Show(const std::string& text, MessageBoxIcon) override
    {
        last = text;
        QCoreApplication::quit();
    }
    std::string last;
};

// ".net" of ".net=127.0.0.1:4343", for every server named for a suffix.
std::vector<std::string> NamedSuffixes(const QStringList& servers)
{
    std::vector<std::string> suffixes;
    for (const QString& server : servers) {
        const qsizetype equals = server.indexOf('=');
        if (server.startsWith('.') && equals > 0) {
            suffixes.push_back(server.left(equals).toStdString());
        }
    }
    if (suffixes.empty()) {
        suffixes.emplace_back(".com");
    }
    return suffixes;
}

bool IsVerdict(const QByteArray& status)
{
    constexpr std::array kVerdicts{DomainStatus::Available, DomainStatus::Taken,
                                   DomainStatus::InformationMissing};
    return std::ranges::any_of(kVerdicts, [&status](DomainStatus verdict) {
        return std::string_view(status.constData(), static_cast<std::size_t>(status.size())) ==
               StatusText(verdict);
    });
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(qirv);
    QCommandLineParser parser;
    AddSearchOptions(parser);
    const QCommandLineOption rowsOption(QStringLiteral("rows"),
                                        QStringLiteral("Checked rows to search (default 100000)."),
                                        QStringLiteral("N"), QStringLiteral("100000"));
    parser.addOption(rowsOption);
    QString error;
    std::optional<SearchOptions> options;
    if (parser.parse(QCoreApplication::arguments() << QStringLiteral("--no-store"))) {
        options = ReadSearchOptions(parser, error);
    } else {
        error = parser.errorText();
    }
    const int rows = parser.value(rowsOption).toInt();
    if (!options || rows <= 0) {
        std::fprintf(stderr,
                     "%s\nusage: bench_search_load --whois-server [.SUFFIX=]HOST:PORT ... "
                     "[--rows N]\n",
                     qPrintable(error));
        return 2;
    }

    FinishWatcher boxes;
    SearchDlgSeams seams;
    seams.messageBoxes = &boxes;
    CSearchDlg window(seams);
    window.SetSearchOptions(std::move(*options));
    const std::vector<std::string> suffixes =
        NamedSuffixes(parser.values(QStringLiteral("whois-server")));
    std::vector<std::string> names;
    for (int number = 0; number < rows; ++number) {
        names.push_back("www.load" + std::to_string(number) + suffixes[number % suffixes.size()]);
    }
    window.List().Model().AppendPendingNames(std::move(names));
    window.show();

    // A timer that should fire every millisecond: the longest gap between two ticks is the
    // longest time the event loop was busy elsewhere. The first gap holds the start of the
    // search, which runs before the loop turns again; it is also shown alone, so a slow start
    // is told apart from a slow course.
    QElapsedTimer elapsed;
    QElapsedTimer sinceTick;
    qint64 startGap = -1;
    qint64 longestGapAfterStart = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 gap = sinceTick.restart();
        if (startGap < 0) {
            startGap = gap;
        } else {
            longestGapAfterStart = std::max(longestGapAfterStart, gap);
        }
    });

    QTimer::singleShot(0, [&] {
        sinceTick.start();
        ticker.start();
        elapsed.start();
        window.SearchDriver().OnSearchDomains();
    });
    QApplication::exec();
    const double seconds = static_cast<double>(elapsed.nsecsElapsed()) / 1e9;
    int decided = 0;
    for (int row = 0; row < window.List().GetItemCount(); ++row) {
        decided += IsVerdict(window.List().GetStatus(row)) ? 1 : 0;
    }
    std::printf("rows %d\nverdicts %d\nseconds %.3f\nverdicts_per_second %.1f\n", rows, decided,
                seconds, decided / seconds);
    std::printf("longest_block_ms %lld\nstart_block_ms %lld\nlongest_block_after_start_ms %lld\n",
                static_cast<long long>(std::max(startGap, longestGapAfterStart)),
                static_cast<long long>(startGap), static_cast<long long>(longestGapAfterStart));
    return decided == rows ? 0 : 1;
}
