#include "CliCommands.h"
#include "domainlist/core/ListFile.h"
#include "query/QueryName.h"
#include "query/core/DomainName.h"
#include "store/core/AnswerStore.h"
#include "text/Utf8Text.h"

#include <QDateTime>
#include <filesystem>
#include <iostream>

int RunHistoryCommand(const std::string& storePath, const std::vector<std::string>& names,
                      OutputFormat format)
{
    if (names.empty()) {
        return UsageError("history: usage: qirv-cli history [--format tsv|csv|json] NAME...");
    }
    // Looking must not leave a store behind where there was none.
    std::error_code error;
    const bool exists = std::filesystem::exists(storePath, error);
    AnswerStore store(storePath);
    if (exists) {
        store.Open(QDateTime::currentSecsSinceEpoch());
    }
    std::optional<RecordPrinter> printer;
    if (format != OutputFormat::Tsv) {
        printer.emplace(format);
    }
    bool everyNameKnown = true;
    for (const std::string& typed : names) {
        // Stored as asked: the ASCII form, lower case, without "www.".
        const QueryName query = ToQueryName(QByteArray::fromStdString(WithoutLeadingWww(typed)));
        const std::string name =
            (query.IsAskable() ? query.ascii : QByteArray::fromStdString(typed))
                .toLower()
                .toStdString();
        const std::vector<StoredAnswer> history =
            store.IsUsable() ? store.History(name) : std::vector<StoredAnswer>();
        everyNameKnown = everyNameKnown && !history.empty();
        for (const StoredAnswer& answer : history) {
            const auto time =
                static_cast<std::uint32_t>(std::max<std::int64_t>(answer.answeredAt, 0));
            if (!printer) {
                std::cout << EscapedForTerminal(name) << '\t' << AnswerTimeText(time) << '\t'
                          << (answer.verdict ? StatusText(*answer.verdict)
                                             : RowStatusText(RowStatus::NoAnswer))
                          << '\t' << answer.server << '\n';
                continue;
            }
            ListRecord record{
                name, answer.verdict ? RowStatusFor(*answer.verdict) : RowStatus::NoAnswer,
                true, answer.server,
                time, answer.reason};
            printer->Print(record);
        }
    }
    std::cout << std::flush;
    for (const std::string& notice : store.TakeNotices()) {
        std::cerr << "qirv-cli history: " << notice << '\n';
    }
    return everyNameKnown ? kExitSuccess : kExitSomeFailed;
}
