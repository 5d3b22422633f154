#pragma once

#include <QDialog>
#include <string>

class FileDialogSeam;
class MessageBoxSeam;
class QPlainTextEdit;

// Edits one word list as text, one entry per line; "Browse Load File..." replaces the text with
// the lines of a file.
class CKeywordEditorDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKeywordEditorDlg(FileDialogSeam& fileDialogs, QWidget* parent = nullptr);

    int exec() override;
    void accept() override;
    void OnBrowseLoadFile();

    QPlainTextEdit& Edit() const { return *m_edit; }

    // The text, lines ending in CR LF: shown when the window opens, taken back on OK.
    std::string m_strText;
    // Says why a file was not loaded; none: nothing is said.
    MessageBoxSeam* m_messageBoxes = nullptr;

private:
    FileDialogSeam& m_fileDialogs;
    QPlainTextEdit* m_edit = nullptr;
};

// The file the user picks in the Open dialog (".txt" added to a name without extension), or an
// empty string when cancelled.
std::string ChooseTextFile(FileDialogSeam& fileDialogs);
