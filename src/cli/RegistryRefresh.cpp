#include "CliCommands.h"
#include "registry/CRegistryList.h"

#include <QEventLoop>
#include <QTimer>
#include <iostream>

namespace {

// Long enough for IANA's file on a slow line; short enough that a machine without a network
// starts its check almost at once.
constexpr int kLongestWaitSeconds = 10;

} // namespace

void RefreshOldRegistryList(SearchOptions& options)
{
    // Gone on return: a download still under way then ends, and the check keeps the list it has.
    CRegistryList list;
    if (!list.UpdateIfOld(QDateTime::currentDateTimeUtc())) {
        return;
    }
    QString failure = CRegistryList::NotUpdatedMessage(
        QStringLiteral("no answer within %1 s").arg(kLongestWaitSeconds));
    QEventLoop wait;
    QObject::connect(&list, &CRegistryList::updateFinished, &wait,
                     [&](bool succeeded, const QString& message) {
                         failure = succeeded ? QString() : message;
                         wait.quit();
                     });
    QTimer::singleShot(kLongestWaitSeconds * 1000, &wait, &QEventLoop::quit);
    wait.exec();
    if (failure.isEmpty()) {
        options.routes.SetRdapBootstrap(list.Current());
        return;
    }
    std::cerr << "qirv-cli check: " << failure.toStdString() << '\n';
}
