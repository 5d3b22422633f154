#pragma once

#include <QDialog>
#include <string>
#include <utility>

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
    void SetText(std::string text) { m_strText = std::move(text); }
    const std::string& Text() const { return m_strText; }
    // Says why a file was not loaded; none: nothing is said.
    void SetMessageBoxes(MessageBoxSeam* messageBoxes) { m_messageBoxes = messageBoxes; }

private:
    std::string m_strText;
    MessageBoxSeam* m_messageBoxes = nullptr;
    FileDialogSeam& m_fileDialogs;
    QPlainTextEdit* m_edit = nullptr;
};

// The file the user picks in the Open dialog (".txt" added to a name without extension), or an
// empty string when cancelled.
std::string ChooseTextFile(FileDialogSeam& fileDialogs);
