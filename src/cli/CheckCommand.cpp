#include "CliCommands.h"
#include "domainlist/core/ListFile.h"
#include "domainlist/core/SearchAnswer.h"
#include "query/core/DomainName.h"
#include "search/CLookupEngine.h"
#include "text/InputFile.h"
#include "text/Utf8Text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>
#include <array>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <iostream>
#include <iterator>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <unordered_set>

namespace {

// What a shell reports for a run ended by Ctrl-C.
constexpr int kExitInterrupted = 130;

// SIGINT and SIGTERM reach the event loop through a pipe: a signal handler may do little more
// than write a byte, and the rows must be written from the loop, in order with the answers.
class InterruptWatch
{
public:
    InterruptWatch()
    {
        if (pipe2(s_pipe.data(), O_NONBLOCK | O_CLOEXEC) != 0) {
            return;
        }
        struct sigaction action = {};
        action.sa_handler = [](int) {
            const char byte = 1;
            // Nothing to do when the pipe is full: one byte already says it.
            [[maybe_unused]] const ssize_t written = write(s_pipe[1], &byte, 1);
        };
        sigemptyset(&action.sa_mask);
        // The thread reading standard input must not take an interrupted read for its end.
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, nullptr);
        sigaction(SIGTERM, &action, nullptr);
        m_notifier.emplace(s_pipe[0], QSocketNotifier::Read);
    }
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
    ~InterruptWatch() = default;

    template <typename Handler> void OnInterrupt(Handler handler)
    {
        if (m_notifier) {
            QObject::connect(&*m_notifier, &QSocketNotifier::activated, std::move(handler));
        }
    }

private:
    static inline std::array<int, 2> s_pipe = {-1, -1};
    std::optional<QSocketNotifier> m_notifier;
};

// True once nobody reads standard output any more (`| head -1` has ended): a pipe's writing end
// reports an error then, before anything is written to it.
bool StandardOutputClosed()
{
    pollfd output = {.fd = STDOUT_FILENO, .events = 0, .revents = 0};
    return poll(&output, 1, 0) == 1 && (output.revents & (POLLERR | POLLHUP)) != 0;
}

// Asks every checked row without a verdict through the search engine and prints each row as
// its answer arrives; the others are printed at once, as they are. Rows may come while the
// search runs (standard input's lines as they arrive); the run ends once the input has ended and
// every row asked is answered.
class CheckRun
{
public:
    CheckRun(const SearchOptions& options, OutputFormat format) : m_printer(format)
    {
        m_engine.SetOptions(options);
        QObject::connect(
            &m_engine, &CLookupEngine::answered, &m_engine,
            [this](CLookupEngine::Ticket ticket, const QueryResult& answer) {
                ListRecord& record = m_records[static_cast<std::size_t>(ticket)];
                // In a terminal the reason says who failed and why, too.
                WriteAnswer(record, answer,
                            static_cast<std::uint32_t>(QDateTime::currentSecsSinceEpoch()),
                            ReasonWording::WithServerAndCause);
                m_allDecided = m_allDecided && answer.verdict.has_value();
                m_printer.Print(record);
                // The printed row is not needed again; a long stream keeps only its names.
                record = ListRecord{};
                --m_unanswered;
                CheckOutput();
            },
            Qt::DirectConnection);
        QObject::connect(&m_engine, &CLookupEngine::finished, &m_engine, [this] { EndIfDone(); });
        // Said once per pause: a check that seems to hang says what it waits for.
        QObject::connect(
            &m_engine, &CLookupEngine::serverPaused, &m_engine,
            [](const ServerPause& pause) {
                std::cerr << "qirv-cli check: " << PauseText(pause, SearchScheduler::Clock::now())
                          << std::endl;
            },
            Qt::DirectConnection);
    }

    void Add(ListRecord record)
    {
        if (m_cutShort) {
            return;
        }
        if (!IsAskedBySearch(record.checked, record.status)) {
            m_printer.Print(record);
            CheckOutput();
            return;
        }
        const std::string asked = WithoutLeadingWww(record.name);
        m_records.push_back(std::move(record));
        ++m_unanswered;
        m_engine.Ask(m_records.size() - 1, QByteArray::fromStdString(asked));
    }

    // Call from the event loop: an exit asked for before the loop runs would be lost.
    void InputEnded()
    {
        m_inputEnded = true;
        EndIfDone();
    }

    void SetSomeLeftOut() { m_allDecided = false; }

    // Names to be asked once standard input has ended.
    void SetNamesAfterInput(std::vector<std::string> names)
    {
        m_namesAfterInput = std::move(names);
    }

    void AddNamesAfterInput()
    {
        for (std::string& name : m_namesAfterInput) {
            Add(PendingRecord(std::move(name)));
        }
        m_namesAfterInput.clear();
    }

    // Ctrl-C or SIGTERM. In CSV or JSON, every row not answered yet is written as it stood, so
    // that the output, read back with --input, still holds every name of the run.
    void Interrupt()
    {
        if (m_cutShort) {
            return;
        }
        m_cutShort = true;
        m_engine.Stop();
        if (m_printer.Format() != OutputFormat::Tsv) {
            for (const ListRecord& record : m_records) {
                if (!record.name.empty()) {
                    m_printer.Print(record);
                }
            }
            if (!m_inputEnded) {
                for (std::string& name : m_namesAfterInput) {
                    m_printer.Print(PendingRecord(std::move(name)));
                }
            }
        }
        m_namesAfterInput.clear();
        QCoreApplication::exit(kExitInterrupted);
    }

    // Polled as well as checked after each line: a reader may go while every query waits.
    void CheckOutput()
    {
        if (!m_cutShort && (!std::cout || StandardOutputClosed())) {
            m_cutShort = true;
            m_engine.Stop();
            QCoreApplication::exit(kExitOutputClosed);
        }
    }

    // Returned by the event loop when standard output went away.
    static constexpr int kExitOutputClosed = -1;

    // Once the loop has ended: the answers still to be stored are written, and what kept the
    // store from being used is said once.
    void FinishStoring()
    {
        m_engine.FinishStoring();
        for (const std::string& notice : m_engine.TakeStoreNotices()) {
            std::cerr << "qirv-cli check: " << notice << '\n';
        }
    }

private:
    void EndIfDone()
    {
        if (m_inputEnded && m_unanswered == 0) {
            QCoreApplication::exit(m_allDecided ? kExitSuccess : kExitSomeFailed);
        }
    }

    std::vector<ListRecord> m_records; // by ticket; an answered one is emptied
    std::vector<std::string> m_namesAfterInput;
    std::size_t m_unanswered = 0;
    bool m_inputEnded = false;
    bool m_cutShort = false;
    RecordPrinter m_printer;
    bool m_allDecided = true;
    CLookupEngine m_engine;
};

// The rows of a names file or an export ("-": standard input); nothing when it cannot be read.
// The file is opened as every file is (a named pipe or a device is refused at once, a file over
// the limit from its size), and either is read a piece at a time, never held whole.
std::optional<ListFileContents> ReadInput(const std::string& path)
{
    InputFile file;
    if (path == "-") {
        file.OpenStandardInput(kLargestListFile);
    } else if (!file.Open(path, kLargestListFile)) {
        std::cerr << "qirv-cli check: cannot read " << path << ": " << file.Reason() << '\n';
        return std::nullopt;
    }
    std::vector<ListRecord> records;
    ListFileContents contents = ReadListFile(file, [&](std::vector<ListRecord>& read) {
        std::move(read.begin(), read.end(), std::back_inserter(records));
    });
    if (!contents.problem.empty()) {
        std::cerr << "qirv-cli check: cannot read "
                  << (path == "-" ? std::string("standard input") : path) << ": "
                  << contents.problem << '\n';
        return std::nullopt;
    }
    contents.records = std::move(records);
    if (contents.badLineCount > 0) {
        std::cerr << "qirv-cli check: " << BadLinesText(path, contents) << '\n';
    }
    return contents;
}

// A line of standard input longer than this is no name: it is refused, and reading stops there.
constexpr std::size_t kLongestInputLine = 64 * 1024;

// Hands each non-empty line of standard input to `onName` as it arrives. Returns false when the
// input could not be read to its end (a line too long, a read error), after saying why.
bool ReadStandardInputNames(const std::function<void(std::string)>& onName)
{
    InputFile input;
    input.OpenStandardInput();
    BoundedLines lines(input, kLongestInputLine);
    std::string line;
    while (true) {
        switch (lines.Next(line)) {
        case BoundedLines::Result::Line:
            if (!line.empty()) {
                onName(std::move(line));
            }
            line = std::string();
            continue;
        case BoundedLines::Result::End:
            return true;
        case BoundedLines::Result::TooLong:
            std::cerr << "qirv-cli check: standard input: line " << lines.Number()
                      << " is longer than " << SizeLimitText(kLongestInputLine)
                      << "; it and the lines after it were not read" << std::endl;
            return false;
        case BoundedLines::Result::Failed:
            std::cerr << "qirv-cli check: cannot read standard input: " << input.Reason()
                      << std::endl;
            return false;
        }
    }
}

} // namespace

RecordPrinter::RecordPrinter(OutputFormat format) : m_format(format)
{
    if (m_format == OutputFormat::Csv) {
        std::cout << ListFileHeader(ListFormat::Csv) << std::flush;
    }
}

void RecordPrinter::Print(const ListRecord& record)
{
    if (m_format == OutputFormat::Tsv) {
        const bool noAnswer = record.status == RowStatus::NoAnswer && !record.reason.empty();
        // A reason may quote the name: it is escaped as the name is.
        std::cout << EscapedForTerminal(record.name) << '\t'
                  << (noAnswer ? EscapedForTerminal(record.reason)
                               : std::string(RowStatusText(record.status)))
                  << std::endl;
        return;
    }
    std::string line;
    AppendListRecord(line, record,
                     m_format == OutputFormat::Csv ? ListFormat::Csv : ListFormat::JsonLines,
                     false);
    // Each line at once: another program reads the results while the check runs.
    std::cout << line << std::flush;
}

std::optional<OutputFormat> OutputFormatNamed(const std::string& name)
{
    if (name == "tsv") {
        return OutputFormat::Tsv;
    }
    if (name == "csv") {
        return OutputFormat::Csv;
    }
    if (name == "json") {
        return OutputFormat::Json;
    }
    return std::nullopt;
}

int RunCheckCommand(const SearchOptions& options, std::vector<std::string> names,
                    const CheckRequest& request)
{
    std::vector<ListRecord> records;
    bool someLeftOut = false;
    if (request.inputFile) {
        if (*request.inputFile == "-" && std::ranges::count(names, "-") > 0) {
            return UsageError("check: standard input is either --input or names, not both");
        }
        std::optional<ListFileContents> input = ReadInput(*request.inputFile);
        if (!input) {
            return kExitUsage;
        }
        someLeftOut = input->badLineCount > 0;
        // As the window opens a list: a name met twice is one row.
        std::unordered_set<std::string> seen;
        for (ListRecord& record : input->records) {
            if (seen.insert(record.name).second) {
                records.push_back(std::move(record));
            }
        }
    } else if (names.empty()) {
        // No name at all means standard input's lines.
        names.emplace_back("-");
    }
    // Names before a "-" are asked at once, standard input's lines as they arrive (a slow
    // generator in front shows its first results early), and the names after it once it ends.
    const auto dash = std::ranges::find(names, "-");
    for (auto name = names.begin(); name != dash; ++name) {
        records.push_back(PendingRecord(std::move(*name)));
    }
    std::vector<std::string> afterInput;
    if (dash != names.end()) {
        for (auto name = std::next(dash); name != names.end(); ++name) {
            if (*name != "-") {
                afterInput.push_back(std::move(*name));
            }
        }
    }

    CheckRun run(options, request.format);
    if (someLeftOut) {
        run.SetSomeLeftOut();
    }
    run.SetNamesAfterInput(std::move(afterInput));
    InterruptWatch interrupts;
    interrupts.OnInterrupt([&run] { run.Interrupt(); });
    QTimer outputWatch;
    QObject::connect(&outputWatch, &QTimer::timeout, [&run] { run.CheckOutput(); });
    outputWatch.start(std::chrono::milliseconds(200));
    // Every answer, an instant failure included, comes from the event loop: the loop runs
    // before anything can end the program.
    for (ListRecord& record : records) {
        run.Add(std::move(record));
    }
    QCoreApplication* application = QCoreApplication::instance();
    const auto endInput = [&run] {
        run.AddNamesAfterInput();
        run.InputEnded();
    };
    std::thread standardInput;
    if (dash == names.end()) {
        QMetaObject::invokeMethod(application, std::move(endInput), Qt::QueuedConnection);
    } else {
        standardInput = std::thread([&run, application, endInput = std::move(endInput)]() mutable {
            const bool whole = ReadStandardInputNames([&run, application](std::string name) {
                QMetaObject::invokeMethod(
                    application,
                    [&run, name = std::move(name)]() mutable {
                        run.Add(PendingRecord(std::move(name)));
                    },
                    Qt::QueuedConnection);
            });
            if (!whole) {
                QMetaObject::invokeMethod(
                    application, [&run] { run.SetSomeLeftOut(); }, Qt::QueuedConnection);
            }
            QMetaObject::invokeMethod(application, std::move(endInput), Qt::QueuedConnection);
        });
    }
    const int status = QCoreApplication::exec();
    if (status == kExitInterrupted || status == CheckRun::kExitOutputClosed) {
        // The answers already given are kept; the thread reading standard input may wait on a
        // writer that never ends, so the run ends here without waiting for it.
        run.FinishStoring();
        if (status == CheckRun::kExitOutputClosed) {
            std::cerr << "qirv-cli check: standard output was closed; the names left were not "
                         "asked\n";
        }
        std::cout.flush();
        std::cerr.flush();
        std::_Exit(status == kExitInterrupted ? kExitInterrupted : kExitUsage);
    }
    if (standardInput.joinable()) {
        standardInput.join();
    }
    run.FinishStoring();
    return status;
}
