#pragma once

#include "CKeywordEditorDlg.h"
#include "controls/CThemeLibrary.h"
#include "desktop/QtMessageBoxes.h"
#include "generate/core/KeywordOptions.h"

#include <QDialog>
#include <QHash>
#include <functional>

class FileDialogSeam;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;

// Where the user types keywords and picks extensions and combination options. One object lives
// as long as the main window, so every opening shows what the previous one left; OK is what
// starts generation, Cancel starts nothing. The choices (not the keywords) confirmed with OK are
// kept in the user's settings, and the next run starts with them.
class CKeywordSelectionDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CKeywordSelectionDlg(FileDialogSeam& fileDialogs, QWidget* parent = nullptr);

    // Fills the controls from the members (reading the word files at the first opening), then
    // runs the window modally.
    int exec() override;
    // OK: takes the controls into the members and rebuilds the extension list: the checked nine
    // in their fixed order, then the typed ones in typed order. A typed one that is not a
    // registry's extension gets a message naming it, and the window stays open.
    void accept() override;
    void OnSelectAll();
    // The three Edit buttons: the list as text in the editor; OK there replaces the list.
    void EditWordList(std::vector<std::string>& list);

    // The File menu's loading commands: each asks for a text file first and changes nothing when
    // the user cancels; a chosen file empties the keyword text before it is read. Keywords and
    // top words return whether the window should open next.
    bool OnLoadKeywords();
    bool OnLoadTopWords();
    void OnLoadPrefixes();
    void OnLoadSuffixes();

    // Runs `read`; a file too large to be a word or keyword file is told in a box and read as
    // nothing.
    void ReadOrSayWhy(const std::function<void()>& read);
    void LoadSuffixList(const std::string& path);
    void LoadPrefixList(const std::string& path);
    void LoadTopWordList(const std::string& path);
    void LoadKeywordText(const std::string& path);
    std::string GetProgramDirectory() const;

    // The choices and keywords generation starts from; the window shows them when it opens.
    KeywordOptions& Options() { return m_options; }
    const KeywordOptions& Options() const { return m_options; }
    // The extensions of the last OK, in the order generation uses them.
    const std::vector<std::string>& Extensions() const { return m_arrExtensions; }
    void SetExtensions(std::vector<std::string> extensions)
    {
        m_arrExtensions = std::move(extensions);
    }
    // The three word lists. The word files are read at the first opening only, and only into
    // lists that are still empty then; after UseLists they are not read at all.
    WordLists& Lists() { return m_lists; }
    const WordLists& Lists() const { return m_lists; }
    void UseLists(WordLists lists)
    {
        m_lists = std::move(lists);
        m_bListsLoaded = 1;
    }
    bool ListsLoaded() const { return m_bListsLoaded != 0; }
    // Where the word files are looked for; the program's own folder unless a test says otherwise.
    void SetProgramDirectory(std::function<std::string()> programDirectory)
    {
        m_programDirectory = std::move(programDirectory);
    }
    // Where the window's messages go; its own message boxes unless a test says otherwise.
    void SetMessageBoxes(MessageBoxSeam* messageBoxes) { m_messageBoxes = messageBoxes; }

private:
    // MFC-style data exchange: true takes the controls into the members, false shows the members.
    void UpdateData(bool takeFromControls);
    void LoadWordFilesOnce();
    // The check boxes and the typed extensions of the last OK of any run. A value that cannot
    // be read, or typed extensions that are no longer all extensions, keep their defaults.
    void ReadRememberedChoices();
    void RememberChoices() const;
    // Asks for a text file; unless the user cancels (false, nothing changed), empties the keyword
    // text and has `load` read the file.
    bool LoadChosenFile(void (CKeywordSelectionDlg::*load)(const std::string&));

    int m_bListsLoaded = 0;
    std::vector<std::string> m_arrExtensions;
    WordLists m_lists;
    std::string m_strProgramDir;
    KeywordOptions m_options;
    std::function<std::string()> m_programDirectory;
    MessageBoxSeam* m_messageBoxes = &m_ownMessageBoxes;
    FileDialogSeam& m_fileDialogs;
    QtMessageBoxes m_ownMessageBoxes;

    CKeywordEditorDlg m_dlgEditor;
    CThemeLibrary m_themeLibrary;
    QHash<int, QWidget*> m_controls;
    QPlainTextEdit* m_keywordEdit = nullptr;
    QLineEdit* m_moreExtensionsEdit = nullptr;
};
