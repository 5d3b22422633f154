#include "QtMessageBoxes.h"

#include <QMessageBox>

namespace {

// The product's name, as the window and the desktop entry spell it; the application's name
// ("qirv") is the folder of its settings.
QString Title()
{
    return QStringLiteral("Qirv");
}

} // namespace

void QtMessageBoxes::Show(const std::string& text, MessageBoxIcon icon)
{
    QMessageBox box(icon == MessageBoxIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon,
                    Title(), QString::fromUtf8(text), QMessageBox::Ok, m_parent);
    // Texts hold names and servers' words: never read them as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtMessageBoxes::Ask(const std::string& question)
{
    QMessageBox box(QMessageBox::Question, Title(), QString::fromUtf8(question),
                    QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}
