#include "QtFileDialogs.h"

#include <QFileDialog>

std::optional<std::string> QtFileDialogs::GetOpenFileName()
{
    const QString path =
        QFileDialog::getOpenFileName(m_parent, {}, {}, QStringLiteral("Text Files (*.txt)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}

std::optional<std::string> QtFileDialogs::GetSaveFileName()
{
    const QString path =
        QFileDialog::getSaveFileName(m_parent, {}, {}, QStringLiteral("Text Files (*.txt)"));
    if (path.isEmpty()) {
        return std::nullopt;
    }
    return path.toStdString();
}
