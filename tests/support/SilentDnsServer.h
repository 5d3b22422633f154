#pragma once

#include <QHostAddress>
#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QtGlobal>

// A DNS server on 127.0.0.1 that takes every question and never answers.
class SilentDnsServer
{
public:
    SilentDnsServer()
    {
        if (!m_socket.bind(QHostAddress::LocalHost, 0)) {
            qFatal("SilentDnsServer: cannot bind on 127.0.0.1: %s",
                   qPrintable(m_socket.errorString()));
        }
        QObject::connect(&m_socket, &QUdpSocket::readyRead, &m_socket, [this] {
            while (m_socket.hasPendingDatagrams()) {
                m_socket.receiveDatagram();
            }
        });
    }

    quint16 Port() const { return m_socket.localPort(); }

private:
    QUdpSocket m_socket;
};
