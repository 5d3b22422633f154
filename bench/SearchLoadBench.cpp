// The window under load: a search over many checked rows against a whois server, offscreen.
// Prints the verdicts per second and the longest time the event loop was blocked.
//   QT_QPA_PLATFORM=offscreen bench_search_load --whois-server 127.0.0.1:PORT [--rows N]
#include "app/CSearchDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
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

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(qirv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype serverAt = arguments.indexOf("--whois-server");
    const qsizetype rowsAt = arguments.indexOf("--rows");
    if (serverAt < 0 || serverAt + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: bench_search_load --whois-server HOST:PORT [--rows N]\n");
        return 2;
    }
    const int rows =
        rowsAt > 0 && rowsAt + 1 < arguments.size() ? arguments[rowsAt + 1].toInt() : 100000;

    FinishWatcher boxes;
    SearchDlgSeams seams;
    seams.messageBoxes = &boxes;
    CSearchDlg window(seams);
    window.SetWhoisServer(ParseServerAddress(arguments[serverAt + 1].toStdString()));
    std::vector<std::string> names;
    for (int number = 0; number < rows; ++number) {
        names.push_back("www.load" + std::to_string(number) + ".com");
    }
    window.List().Model().AppendPendingNames(std::move(names));
    window.show();

    // A timer that should fire every millisecond: the longest gap between two ticks is the
    // longest time the event loop was busy elsewhere.
    QElapsedTimer sinceTick;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(1);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestGap = std::max(longestGap, sinceTick.restart()); });

    QElapsedTimer elapsed;
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
        decided += window.List().GetStatus(row) == "Available!" ? 1 : 0;
    }
    std::printf(
        "rows %d\nverdicts %d\nseconds %.3f\nverdicts_per_second %.1f\nlongest_block_ms %lld\n",
        rows, decided, seconds, decided / seconds, static_cast<long long>(longestGap));
    return decided == rows ? 0 : 1;
}
