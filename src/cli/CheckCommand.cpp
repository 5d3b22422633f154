#include "CliCommands.h"
#include "search/CLookupEngine.h"
#include "whois/core/DomainName.h"

#include <QCoreApplication>
#include <iostream>
#include <string>

namespace {

// Asks every name through the search engine and prints each result line as it arrives.
class CheckRun
{
public:
    CheckRun(std::vector<std::string> names, const SearchOptions& options)
        : m_names(std::move(names))
    {
        m_engine.SetOptions(options);
        QObject::connect(
            &m_engine, &CLookupEngine::answered, &m_engine,
            [this](CLookupEngine::Ticket ticket, const CLookupEngine::Answer& answer) {
                const bool decided = answer.verdict.has_value();
                Print(ticket, decided ? std::string(StatusText(*answer.verdict))
                                      : answer.reason.toStdString());
                m_allDecided = m_allDecided && decided;
            },
            Qt::DirectConnection);
        QObject::connect(&m_engine, &CLookupEngine::finished, &m_engine,
                         [this] { QCoreApplication::exit(ExitCode()); });
        for (std::size_t index = 0; index < m_names.size(); ++index) {
            m_engine.Ask(index, QByteArray::fromStdString(RemoveEveryWww(m_names[index])));
        }
    }

    int ExitCode() const { return m_allDecided ? kExitSuccess : kExitSomeFailed; }

private:
    void Print(CLookupEngine::Ticket ticket, const std::string& result)
    {
        std::cout << Escaped(m_names[static_cast<std::size_t>(ticket)]) << '\t' << result
                  << std::endl;
    }

    // A name is printed so that it cannot break its line: tab, CR, LF and backslash escaped.
    static std::string Escaped(const std::string& name)
    {
        std::string printed;
        for (const char c : name) {
            switch (c) {
            case '\t':
                printed += "\\t";
                break;
            case '\r':
                printed += "\\r";
                break;
            case '\n':
                printed += "\\n";
                break;
            case '\\':
                printed += "\\\\";
                break;
            default:
                printed += c;
            }
        }
        return printed;
    }

    std::vector<std::string> m_names;
    bool m_allDecided = true;
    CLookupEngine m_engine;
};

std::vector<std::string> ReadNameLines(std::istream& stream)
{
    std::vector<std::string> names;
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            names.push_back(line);
        }
    }
    return names;
}

} // namespace

int RunCheckCommand(const SearchOptions& options, std::vector<std::string> names)
{
    // "-" stands for standard input's lines, in its place; no name at all means the same.
    if (names.empty()) {
        names.emplace_back("-");
    }
    std::vector<std::string> expanded;
    for (std::string& name : names) {
        if (name == "-") {
            for (std::string& line : ReadNameLines(std::cin)) {
                expanded.push_back(std::move(line));
            }
        } else {
            expanded.push_back(std::move(name));
        }
    }
    names = std::move(expanded);
    if (names.empty()) {
        return kExitSuccess;
    }
    // Every answer, an instant failure included, comes from the event loop: the loop runs
    // before anything can end the program.
    CheckRun run(std::move(names), options);
    return QCoreApplication::exec();
}
