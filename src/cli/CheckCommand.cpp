#include "CliCommands.h"
#include "whois/CWhoisSocket.h"
#include "whois/QueryFailure.h"

#include <QCoreApplication>
#include <QTimer>
#include <iostream>
#include <string>

namespace {

// A failure as the window's error box says it, on one line.
std::string OneLine(const QString& reason)
{
    return SocketErrorText(reason).simplified().toStdString();
}

class CheckRun
{
public:
    CheckRun(std::vector<std::string> names, const ServerOptions& servers)
        : m_names(std::move(names))
    {
        servers.ApplyTo(m_socket);
        QObject::connect(
            &m_socket, &CWhoisSocket::whoisVerdict, &m_socket,
            [this](int item, DomainStatus status) {
                Finish(item, std::string(StatusText(status)), true);
            },
            Qt::DirectConnection);
        QObject::connect(&m_socket, &CWhoisSocket::queryFailed, &m_socket,
                         [this](int, const QString& reason) { m_failure = OneLine(reason); });
        QObject::connect(&m_socket, &CWhoisSocket::queryStalled, &m_socket, [this](int item) {
            Finish(item, m_failure.empty() ? "No verdict" : m_failure, false);
        });
    }

    // Starts the next name that can be asked; returns false when none is left.
    bool StartNext()
    {
        while (m_next < m_names.size()) {
            const std::size_t index = m_next++;
            m_failure.clear();
            const QByteArray query = QByteArray::fromStdString(RemoveEveryWww(m_names[index]));
            if (m_socket.StartQuery(query, static_cast<int>(index))) {
                return true;
            }
            Print(index, m_failure.empty() ? "Not a domain name" : m_failure);
            m_allDecided = false;
        }
        m_socket.Reset();
        QCoreApplication::exit(ExitCode());
        return false;
    }

    int ExitCode() const { return m_allDecided ? kExitSuccess : kExitSomeFailed; }

private:
    // Runs inside the socket's own signal: the next query starts from here, as it does in the
    // window's search.
    void Finish(int item, const std::string& result, bool decided)
    {
        Print(static_cast<std::size_t>(item), result);
        m_allDecided = m_allDecided && decided;
        StartNext();
    }

    void Print(std::size_t index, const std::string& result)
    {
        std::cout << m_names[index] << '\t' << result << std::endl;
    }

    std::vector<std::string> m_names;
    std::size_t m_next = 0;
    bool m_allDecided = true;
    std::string m_failure; // the reason of the query under way, once it failed
    CWhoisSocket m_socket;
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

int RunCheckCommand(const ServerOptions& servers, std::vector<std::string> names)
{
    if (names.empty()) {
        names = ReadNameLines(std::cin);
    }
    if (names.empty()) {
        return kExitSuccess;
    }
    CheckRun run(std::move(names), servers);
    if (!run.StartNext()) {
        // Every name was refused before any traffic was needed.
        return run.ExitCode();
    }
    return QCoreApplication::exec();
}
