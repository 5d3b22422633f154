#pragma once

#include "CHelpViewer.h"
#include "controls/CThemeLibrary.h"
#include "controls/DialogTemplate.h"
#include "desktop/QtDesktop.h"
#include "desktop/QtFileDialogs.h"
#include "desktop/QtMessageBoxes.h"
#include "desktop/QtPrintDialog.h"
#include "domainlist/CDomainListCtrl.h"
#include "domainlist/CListCommands.h"
#include "domainlist/CListPrinter.h"
#include "domainlist/CSearchDriver.h"
#include "generate/CKeywordSelectionDlg.h"
#include "registry/CRegistryList.h"
#include "search/CLookupEngine.h"

#include <QDialog>
#include <QHash>
#include <optional>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QScrollArea;

// How the main window reaches the desktop; each one left out is the desktop's own.
struct SearchDlgSeams
{
    MessageBoxSeam* messageBoxes = nullptr;
    FileDialogSeam* fileDialogs = nullptr;
    ClipboardSeam* clipboard = nullptr;
    UrlOpenerSeam* urls = nullptr;
    PrintDialogSeam* printDialog = nullptr;
    // The help file; by default the program's name with ".chm", beside it.
    QString helpFile;
};

class QMenu;
class QMenuBar;

// The main window: the domain list, the search progress and the command buttons.
class CSearchDlg : public QDialog
{
    Q_OBJECT

public:
    using Seams = SearchDlgSeams;

    explicit CSearchDlg(const Seams& seams = {}, QWidget* parent = nullptr);
    ~CSearchDlg() override;

    // Sends every query to this server instead of the registries' (--whois-server).
    void SetWhoisServer(std::optional<ServerAddress> server);
    // The servers, pace and number of queries at once; set before a search starts.
    void SetSearchOptions(SearchOptions options);

    CListPrinter& ListPrinter() { return m_listPrinter; }
    CHelpService& Help() { return m_help; }
    CDomainListCtrl& List() { return *m_list; }
    CSearchDriver& SearchDriver() { return m_searchDriver; }
    CLookupEngine& LookupEngine() { return m_lookupEngine; }
    CKeywordSelectionDlg& KeywordDlg() { return m_keywordDlg; }
    CRegistryList& RegistryList() { return m_registryList; }

    // "Add New Keywords": the keyword window, and on OK the new candidate rows.
    void OnAddNewKeywords();
    // The File menu's loading commands, which the keyword window carries out; keywords and top
    // words then open it, as "Add New Keywords" does.
    void OnLoadKeywords();
    void OnLoadTopWords();
    void OnLoadPrefixes();
    void OnLoadSuffixes();
    // Appends every candidate of the keyword window's text and options not yet listed.
    void GenerateCandidates();

    // "Update Registry List...": downloads IANA's list of RDAP servers in the background, and
    // says in a box how it went; on success the next names asked go by it.
    void UpdateRegistryList();
    // At start, unless the Update menu's setting is off: when the list of RDAP servers is over 30
    // days old, downloads IANA's current one in the background. A search need not wait for it;
    // how it went is one line in the progress bar, as no box may greet the user at start. A
    // downloaded copy the loaded list refused is told in that line too.
    void RefreshRegistryListIfOld();
    // The Update menu's check mark, kept in the settings for the next start.
    void OnAutomaticRefreshToggled();
    void OnAskDnsFirstToggled();
    void OnRememberAnswersToggled();
    void ForgetRememberedAnswers();
    // The Update menu's search settings, once no search runs.
    void ApplySearchSettings();

    void ShowAbout();
    void ShowHelp();
    void OpenHomePage();
    void ShowListMenu(const QPoint& globalPosition);
    void PrintDomainList();

protected:
    // Closing the window (close box, Esc, Exit) asks first while the list holds names, and then
    // ends any query at once, without a message.
    void done(int result) override;
    void showEvent(QShowEvent* event) override;

private:
    void ConnectButtons();
    void SetUpButtons();
    void BuildMenus();
    // The template's size with the menu bar: the window's least size, where the screen allows.
    QSize FullSize() const;
    // Keeps the least size and the window within the screen's free area; a smaller screen than
    // the template scrolls the controls.
    void FitToScreen();

    QtMessageBoxes m_ownMessageBoxes;
    QtFileDialogs m_ownFileDialogs;
    QtClipboard m_ownClipboard;
    QtUrlOpener m_ownUrls;
    QtPrintDialog m_ownPrintDialog;
    MessageBoxSeam& m_messageBoxes;
    FileDialogSeam& m_fileDialogs;
    ClipboardSeam& m_clipboard;
    UrlOpenerSeam& m_urls;
    CListPrinter m_listPrinter;
    CHelpService m_help;
    CThemeLibrary m_themeLibrary;
    // The controls sit on this client area, below the menu bar, in a scroll area that scrolls
    // only where the screen is smaller than the template.
    QWidget* m_client;
    QScrollArea* m_clientArea;
    QSize m_templateSize;
    bool m_screenWatched = false;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_listMenu = nullptr;
    CLookupEngine m_lookupEngine;
    CRegistryList m_registryList;
    bool m_updateIsAutomatic = false;
    // How the automatic refresh went, shown in the progress bar whenever no search runs.
    QString m_registryLine;
    QAction* m_automaticRefreshAction = nullptr;
    QAction* m_askDnsFirstAction = nullptr;
    QAction* m_rememberAnswersAction = nullptr;
    // Whether the command line lets DNS be asked at all ("--no-dns" does not), and the store of
    // answers be used ("--no-store" does not).
    bool m_dnsAllowed = false;
    bool m_storeAllowed = false;
    bool m_searchSettingsPending = false;
    // Owned by the window once it is built; created first because the driver works on them.
    CDomainListCtrl* m_list;
    QProgressBar* m_progressBar;
    CSearchDriver m_searchDriver;
    CListCommands m_listCommands;
    CKeywordSelectionDlg m_keywordDlg;
    QHash<int, QWidget*> m_controls;
};
