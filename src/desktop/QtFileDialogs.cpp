#include "QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

namespace {

QString FolderKey(FileKind kind)
{
    return kind == FileKind::DomainList ? QStringLiteral("FileDialogs/domainListFolder")
                                        : QStringLiteral("FileDialogs/wordListFolder");
}

// "txt" for "Text Files (*.txt)"; empty for "All Files (*)" and for a type of several
// extensions, where a bare name could mean any of them.
QString SuffixOf(const QString& filter)
{
    static const QRegularExpression onePattern(QStringLiteral("\\(\\*\\.([^ )*]+)\\)"));
    return onePattern.match(filter).captured(1);
}

std::optional<ChosenFile> RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                        const FileDialogRequest& request)
{
    QStringList filters;
    for (const std::string& filter : request.filters) {
        filters.append(QString::fromStdString(filter));
    }
    QSettings settings;
    const QString lastFolder = settings.value(FolderKey(request.kind)).toString();
    QFileDialog dialog(parent, QString::fromStdString(request.title));
    dialog.setNameFilters(filters);
    if (!lastFolder.isEmpty() && QFileInfo(lastFolder).isDir()) {
        dialog.setDirectory(lastFolder);
    }
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    // A name typed without an extension means the file of the chosen type: the open dialog then
    // finds "kw.txt" for "kw", and the save dialog asks about replacing the file that will really
    // be written, not about the bare name.
    dialog.setDefaultSuffix(SuffixOf(filters.value(0)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(SuffixOf(filter)); });
    // The desktop's native dialog may ask about replacing before the suffix is added; Qt's own
    // dialog applies both rules in the right order everywhere.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    const QString path = dialog.selectedFiles().constFirst();
    if (path.isEmpty()) {
        return std::nullopt;
    }
    if (mode == QFileDialog::AcceptOpen) {
        settings.setValue(FolderKey(request.kind), QFileInfo(path).absolutePath());
    }
    const auto filter = filters.indexOf(dialog.selectedNameFilter());
    return ChosenFile{path.toStdString(), filter < 0 ? 0 : static_cast<std::size_t>(filter)};
}

} // namespace

std::optional<ChosenFile> QtFileDialogs::GetOpenFile(const FileDialogRequest& request)
{
    return RunFileDialog(m_parent, QFileDialog::AcceptOpen, request);
}

std::optional<ChosenFile> QtFileDialogs::GetSaveFile(const FileDialogRequest& request)
{
    return RunFileDialog(m_parent, QFileDialog::AcceptSave, request);
}

void QtFileDialogs::KeepFolderOf(FileKind kind, const std::string& path)
{
    QSettings().setValue(FolderKey(kind), QFileInfo(QString::fromStdString(path)).absolutePath());
}
