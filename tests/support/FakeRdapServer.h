#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <functional>

// An RDAP server on 127.0.0.1 over plain HTTP, for tests: answers each GET with a scripted status
// and body, after an optional pause.
class FakeRdapServer : public QObject
{
    Q_OBJECT

public:
    struct Answer
    {
        int status = 404;
        QByteArray body;
        int delayMilliseconds = 0;
    };

    explicit FakeRdapServer(QObject* parent = nullptr);

    // The base URL to hand to the program: "http://127.0.0.1:<port>/rdap/".
    QString BaseUrl() const;
    void SetResponder(std::function<Answer(const QByteArray& path)> responder)
    {
        m_responder = std::move(responder);
    }

    // Request paths and Accept headers, in order.
    QList<QByteArray> paths;
    QList<QByteArray> acceptHeaders;

private:
    QTcpServer m_server;
    std::function<Answer(const QByteArray&)> m_responder;
};
