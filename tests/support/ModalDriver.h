#pragma once

#include <QApplication>
#include <QDialog>
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
    QObject::connect(poll, &QTimer::timeout, poll, [poll, action = std::move(action), notThis] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != notThis && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            action(*modal);
            // A failed check inside the action must not leave the test waiting on the window.
            if (QTest::currentTestFailed()) {
                if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible()) {
                    dialog->reject();
                }
            }
        }
    });
    poll->start();
}
