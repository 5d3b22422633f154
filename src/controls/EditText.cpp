#include "EditText.h"

#include <QPlainTextEdit>

QString ToEditText(const std::string& text)
{
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

std::string FromEditText(const QString& text)
{
    QString stored = text;
    stored.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    stored.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return stored.toStdString();
}

void ShowInEdit(QPlainTextEdit& edit, const std::string& text)
{
    edit.setPlainText(ToEditText(text));
    edit.document()->setModified(false);
}

void TakeFromEdit(const QPlainTextEdit& edit, std::string& text)
{
    if (edit.document()->isModified()) {
        text = FromEditText(edit.toPlainText());
    }
}
