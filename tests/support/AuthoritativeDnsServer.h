#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QTemporaryDir>

// Debian's NSD on 127.0.0.1 (UDP and TCP) at a free port, for tests: serves the zones given as
// text, runs as the current user from a folder of its own, and is stopped with the object.
class AuthoritativeDnsServer
{
public:
    struct Zone
    {
        QByteArray origin; // "zz."
        // Lines of a zone file under that origin; the SOA and the zone's own NS come with it.
        QByteArray records;
    };

    AuthoritativeDnsServer();
    ~AuthoritativeDnsServer();
    AuthoritativeDnsServer(const AuthoritativeDnsServer&) = delete;
    AuthoritativeDnsServer& operator=(const AuthoritativeDnsServer&) = delete;

    // Starts nsd and waits until it answers for every zone. False when it cannot: Log() says why.
    bool Start(const QList<Zone>& zones);
    quint16 Port() const { return m_port; }
    // What nsd wrote, and what went wrong in starting it.
    QByteArray Log() const;

private:
    bool StartAt(quint16 port, const QList<Zone>& zones);
    bool AnswersFor(const QByteArray& origin);
    void Stop();

    QTemporaryDir m_folder;
    QProcess m_nsd;
    quint16 m_port = 0;
    QByteArray m_problem;
};
