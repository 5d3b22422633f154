#pragma once

#include <QObject>
#include <QPointer>

// Lets go of a connection that may be the very one whose signal is running right now (a verdict
// handler starting the next query): it is silenced and aborted at once, but deleted only once
// control is back in the event loop.
template <typename Connection>
void ReleaseLater(QPointer<Connection>& held, const QObject* listener)
{
    if (Connection* connection = held) {
        held = nullptr;
        connection->disconnect(listener);
        connection->abort();
        connection->deleteLater();
    }
}
