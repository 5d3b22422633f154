#include "QtMessageBoxes.h"

#include <QCoreApplication>
#include <QMessageBox>

void QtMessageBoxes::Show(const std::string& text, MessageBoxIcon icon)
{
    QMessageBox box(icon == MessageBoxIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QCoreApplication::applicationName(), QString::fromUtf8(text), QMessageBox::Ok,
                    m_parent);
    // Texts hold names and servers' words: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageBoxes::Ask(const std::string& question)
{
    QMessageBox box(QMessageBox::Question, QCoreApplication::applicationName(),
                    QString::fromUtf8(question), QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
