#pragma once

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts on the next modal window as soon as it is open: the test sets up the action, then runs
// the code that opens the window and waits in its exec().
inline void WhenModalOpens(std::function<void(QWidget& modal)> action, QWidget* notThis = nullptr)
{
    auto* poll = new QTimer;
    poll->setInterval(5);
    QElapsedTimer waited;
    waited.start();
    QObject::connect(poll, &QTimer::timeout, poll,
                     [poll, action = std::move(action), notThis, waited] {
                         QWidget* modal = QApplication::activeModalWidget();
                         // Keys and focus reach a window only once it is active, which a busy
                         // machine may take a moment to make it; a window never made active is
                         // acted on after a second anyway.
                         if (modal && modal != notThis && modal->isVisible() &&
                             (modal->isActiveWindow() || waited.elapsed() > 1000)) {
                             poll->stop();
                             poll->deleteLater();
                             action(*modal);
                             // A failed check inside the action must not leave the test waiting on
                             // the window.
                             if (QTest::currentTestFailed()) {
                                 if (auto* dialog = qobject_cast<QDialog*>(modal);
                                     dialog && dialog->isVisible()) {
                                     dialog->reject();
                                 }
                             }
                         }
                     });
    poll->start();
}
