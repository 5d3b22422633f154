#include "CSearchDlg.h"

#include "CAboutDlg.h"
#include "CSearchApp.h"
#include "ControlIds.h"
#include "controls/CLinkLabel.h"
#include "controls/CThemeLibrary.h"
#include "generate/core/PendingRows.h"
#include "web/WebAddresses.h"

#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStyle>
#include <QVBoxLayout>
#include <QWindow>
#include <array>
#include <utility>

namespace {

using enum ControlKind;
using namespace ControlId;

constexpr auto kMainWindow = std::to_array<ControlTemplate>({
    {Banner, "banner", Custom, "", 7, 7, 407, 54},
    {0, "domainListGroup", GroupBox,
     "Domain List ( Double Click On List Item to Open URL in Web Browser  )", 7, 65, 280, 216},
    {DomainList, "domainList", Custom, "", 12, 79, 269, 199},
    {0, "listFunctionsGroup", GroupBox, "Domain List Functions", 293, 65, 121, 216},
    {SelectAvailable, "selectAvailable", IconButton, "Select Available Domains", 297, 79, 108, 20},
    {CopySelected, "copySelected", IconButton, "Copy Selected Domains", 297, 100, 108, 20},
    {SaveSelected, "saveSelected", IconButton, "Save Selected Domains", 297, 121, 108, 20},
    {SelectTaken, "selectTaken", IconButton, "Select Taken Domains", 297, 142, 108, 20},
    {DeleteTaken, "deleteTaken", IconButton, "Delete Taken Domains", 297, 163, 108, 20},
    {DeleteSelected, "deleteSelected", IconButton, "Delete Selected Items", 297, 184, 108, 20},
    {DeleteUnselected, "deleteUnselected", IconButton, "Delete UnSelected Items", 297, 205, 108,
     20},
    {SelectAll, "selectAll", IconButton, "Select All Domians", 297, 234, 108, 20},
    {UnselectAll, "unselectAll", IconButton, "UnSelect All Domians", 297, 256, 108, 20},
    {Progress, "progress", ProgressBar, "", 8, 286, 406, 14},
    {0, "addDeleteGroup", GroupBox, "Add / Delete Domains", 7, 305, 198, 41},
    {AddNewKeywords, "addNewKeywords", IconButton, "Add New Keywords", 12, 319, 93, 22},
    {DeleteList, "deleteList", IconButton, "Delete List", 107, 319, 93, 22},
    {0, "searchGroup", GroupBox, "Search Available Domains", 213, 305, 201, 41},
    {SearchDomains, "searchDomains", DefaultIconButton, "Search Domains", 218, 319, 93, 22},
    {StopSearch, "stopSearch", IconButton, "Stop Search", 315, 319, 93, 22},
});

constexpr int kWidthInDialogUnits = 421;
constexpr int kHeightInDialogUnits = 353;

// The window may grow beyond the template's size, its least: the list takes the room, the
// groups right of and below it keep their place against the right and bottom edges.
constexpr unsigned kRightColumn = Growth::FollowRight;
constexpr unsigned kBottomLeft = Growth::FollowBottom;
constexpr unsigned kBottomRight = Growth::FollowBottom | Growth::FollowRight;
constexpr ControlGrowth kGrowth[] = {
    {"domainListGroup", Growth::TakeWidth | Growth::TakeHeight},
    {"domainList", Growth::TakeWidth | Growth::TakeHeight},
    {"listFunctionsGroup", Growth::FollowRight | Growth::TakeHeight},
    {"selectAvailable", kRightColumn},
    {"copySelected", kRightColumn},
    {"saveSelected", kRightColumn},
    {"selectTaken", kRightColumn},
    {"deleteTaken", kRightColumn},
    {"deleteSelected", kRightColumn},
    {"deleteUnselected", kRightColumn},
    {"selectAll", kRightColumn},
    {"unselectAll", kRightColumn},
    {"progress", Growth::FollowBottom | Growth::TakeWidth},
    {"addDeleteGroup", kBottomLeft},
    {"addNewKeywords", kBottomLeft},
    {"deleteList", kBottomLeft},
    {"searchGroup", kBottomRight},
    {"searchDomains", kBottomRight},
    {"stopSearch", kBottomRight},
};

// The banner, the group boxes and the progress bar are not tab stops.
constexpr std::array kTabOrder{AddNewKeywords, DomainList,       SearchDomains, DeleteList,
                               SelectAll,      DeleteUnselected, UnselectAll,   CopySelected,
                               SaveSelected,   SelectAvailable,  StopSearch,    SelectTaken,
                               DeleteSelected, DeleteTaken};

// In the order the buttons are set up.
constexpr IconButtonSetUp kButtons[] = {
    {SearchDomains, "Start Domains Search (F5)", 153, 157},
    {StopSearch, "Stop Domains Search", 143, 144},
    {SelectAll, "Check All Domains", 145, 147},
    {UnselectAll, "UnCheck All Domains", 146, 146},
    {SelectAvailable, "Check Available Domains", 181, 182},
    {AddNewKeywords, "Add New Keywords", 161, 162},
    {CopySelected, "Copy Checked Domains", 163, 164},
    {SaveSelected, "Save Domains", 166, 165},
    {DeleteList, "Clear Domain List", 170, 171},
    {SelectTaken, "Check Taken Domains", 173, 174},
    {DeleteTaken, "Delete Taken Domains", 175, 176},
    {DeleteSelected, "Delete Checked Domains", 177, 178},
    {DeleteUnselected, "Delete UnChecked Domains", 179, 180},
};

// A menu entry runs a command of the list or of the window; an entry without an id is a
// separator.
struct MenuEntry
{
    int id = 0;
    const char* text = nullptr;
    void (CListCommands::*listCommand)() = nullptr;
    void (CSearchDlg::*windowCommand)() = nullptr;
    bool checkable = false;
};

constexpr MenuEntry kSeparator{};

// Each "&" marks the letter that picks the entry while its menu is open, one of its own in each
// menu.
constexpr MenuEntry kFileMenu[] = {
    {CommandId::OpenDomainList, "&Open Domain List...", &CListCommands::OpenList},
    kSeparator,
    {CommandId::SaveAvailable, "Save &Available Domains", &CListCommands::SaveAvailable},
    kSeparator,
    {CommandId::SaveAll, "&Save All Domains...", &CListCommands::SaveAll},
    {CommandId::ExportList, "&Export List...", &CListCommands::ExportList},
    kSeparator,
    {CommandId::LoadKeywords, "Load &KeyWords List", nullptr, &CSearchDlg::OnLoadKeywords},
    kSeparator,
    {CommandId::LoadTopWords, "Load &Top Used Words", nullptr, &CSearchDlg::OnLoadTopWords},
    {CommandId::LoadPrefixes, "Load Pre&ffixes...", nullptr, &CSearchDlg::OnLoadPrefixes},
    {CommandId::LoadSuffixes, "Load S&uffixes...", nullptr, &CSearchDlg::OnLoadSuffixes},
    kSeparator,
    {CommandId::PrintList, "&Print Domains List...", nullptr, &CSearchDlg::PrintDomainList},
    kSeparator,
    {CommandId::Exit, "E&xit", nullptr, &CSearchDlg::reject},
};

constexpr MenuEntry kEditMenu[] = {
    {CommandId::CopyAvailable, "&Copy Available Domains", &CListCommands::CopyAvailable},
    kSeparator,
    // Every name, as "Save All Domains..." saves every name.
    {CommandId::CopyAllDomains, "Copy A&ll Domains...", &CListCommands::CopyAll},
    kSeparator,
    {CommandId::DeleteTaken, "&Delete Taken Domains", &CListCommands::DeleteTaken},
};

constexpr MenuEntry kHelpMenu[] = {
    {CommandId::HelpTopics, "&Help Topics...", nullptr, &CSearchDlg::ShowHelp},
    kSeparator,
    {CommandId::VisitHomePage, "&Visit Home Page...", nullptr, &CSearchDlg::OpenHomePage},
    kSeparator,
    {CommandId::FrequentlyAskedQuestions, "&Frequently Asked Questions", nullptr,
     &CSearchDlg::OpenHomePage},
    kSeparator,
    {CommandId::About, "&About...", nullptr, &CSearchDlg::ShowAbout},
};

constexpr MenuEntry kUpdateMenu[] = {
    {CommandId::CheckForUpdates, "&Check for Updates...", nullptr, &CSearchDlg::OpenHomePage},
    kSeparator,
    {CommandId::UpdateRegistryList, "&Update Registry List...", nullptr,
     &CSearchDlg::UpdateRegistryList},
    {CommandId::RefreshRegistryListAutomatically, "&Refresh Registry List Automatically", nullptr,
     &CSearchDlg::OnAutomaticRefreshToggled, true},
    kSeparator,
    {CommandId::AskDnsFirst, "Ask &DNS First", nullptr, &CSearchDlg::OnAskDnsFirstToggled, true},
    {CommandId::RememberAnswers, "Remember &Answers", nullptr,
     &CSearchDlg::OnRememberAnswersToggled, true},
    {CommandId::ForgetRememberedAnswers, "&Forget Remembered Answers...", nullptr,
     &CSearchDlg::ForgetRememberedAnswers},
};

struct Menu
{
    const char* title;
    std::span<const MenuEntry> entries;
};

constexpr Menu kMenuBar[] = {
    {"&File", kFileMenu},
    {"&Edit", kEditMenu},
    {"&Help", kHelpMenu},
    {"&Update", kUpdateMenu},
};

constexpr MenuEntry kListMenu[] = {
    {CommandId::ListCopyAvailable, "&Copy Available Domains", &CListCommands::CopyAvailable},
    {CommandId::ListSaveAvailable, "&Save Available Domains", &CListCommands::SaveAvailable},
    kSeparator,
    {CommandId::CopySelectedRow, "Copy Selected &Row...", &CListCommands::CopySelectedRow},
    kSeparator,
    {CommandId::OpenInBrowser, "&Open Domain in Browser", &CListCommands::OpenSelectedRow},
    kSeparator,
    {CommandId::WhoisDomain, "&Whois Domain...", &CListCommands::WhoisSelectedRow},
    kSeparator,
    {CommandId::ListDeleteTaken, "&Delete Taken Domains", &CListCommands::DeleteTaken},
};

// The keys of menu entries. Copy Selected Row's works while the list has the focus, the others
// while the window is active.
struct MenuKey
{
    int id;
    QKeyCombination key;
};

constexpr MenuKey kMenuKeys[] = {
    {CommandId::OpenDomainList, Qt::CTRL | Qt::Key_O},
    {CommandId::SaveAll, Qt::CTRL | Qt::Key_S},
    {CommandId::ExportList, Qt::CTRL | Qt::Key_E},
    {CommandId::PrintList, Qt::CTRL | Qt::Key_P},
    {CommandId::Exit, Qt::CTRL | Qt::Key_Q},
    {CommandId::CopySelectedRow, Qt::CTRL | Qt::Key_C},
};

constexpr auto kAutomaticRefreshKey = "RegistryList/refreshAutomatically";

bool IsAutomaticRefreshOn()
{
    return QSettings().value(QLatin1String(kAutomaticRefreshKey), true).toBool();
}

constexpr auto kAskDnsFirstKey = "Search/askDnsFirst";

bool IsAskDnsFirstOn()
{
    return QSettings().value(QLatin1String(kAskDnsFirstKey), true).toBool();
}

constexpr auto kRememberAnswersKey = "Search/rememberAnswers";

bool IsRememberAnswersOn()
{
    return QSettings().value(QLatin1String(kRememberAnswersKey), true).toBool();
}

std::string QuitQuestion(int names)
{
    return names == 1
               ? std::string("Quit Qirv? The 1 name in the list will be lost.")
               : "Quit Qirv? The " + std::to_string(names) + " names in the list will be lost.";
}

} // namespace

CSearchDlg::CSearchDlg(const Seams& seams, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      m_messageBoxes(seams.messageBoxes ? *seams.messageBoxes : m_ownMessageBoxes),
      m_fileDialogs(seams.fileDialogs ? *seams.fileDialogs : m_ownFileDialogs),
      m_clipboard(seams.clipboard ? *seams.clipboard : m_ownClipboard),
      m_urls(seams.urls ? *seams.urls : m_ownUrls),
      m_listPrinter(seams.printDialog ? *seams.printDialog : m_ownPrintDialog),
      m_help(seams.helpFile.isEmpty() ? CSearchApp::HelpFilePath() : seams.helpFile, this),
      m_client(new QWidget(this)), m_clientArea(new QScrollArea(this)), m_lookupEngine(this),
      m_list(new CDomainListCtrl(m_messageBoxes, this)), m_progressBar(new QProgressBar(this)),
      m_searchDriver(m_list->Model(), m_lookupEngine, m_messageBoxes, this),
      m_listCommands(m_list->Model(), [this] { return m_list->GetFirstSelected(); },
                     {m_clipboard, m_fileDialogs, m_urls, m_messageBoxes}),
      m_keywordDlg(m_fileDialogs, this)
{
    m_ownMessageBoxes.SetParentWindow(this);
    m_ownFileDialogs.SetParentWindow(this);
    // The keyword window's messages go where the main window's do (a test's recorder included).
    m_keywordDlg.SetMessageBoxes(&m_messageBoxes);
    setWindowTitle(QStringLiteral("Qirv - Zelbrane "));
    QIcon icon;
    for (const int size : {16, 32, 48}) {
        icon.addFile(QStringLiteral(":/icons/128-%1.png").arg(size), QSize(size, size));
    }
    setWindowIcon(icon);
    setFont(DialogFont());

    const DialogUnits units(font(), kMainWindow);
    m_controls = BuildDialog(
        *m_client, kMainWindow, units,
        {{Banner, new CBannerLink(m_urls)}, {DomainList, m_list}, {Progress, m_progressBar}});
    m_templateSize = units.ToPixels(QSize(kWidthInDialogUnits, kHeightInDialogUnits));
    m_client->setMinimumSize(m_templateSize);
    new CTemplateGrowth(*m_client, m_templateSize, kGrowth);
    BuildMenus();
    // Where the screen is smaller than the template (a high scale factor), the client scrolls.
    m_clientArea->setObjectName(QStringLiteral("clientArea"));
    m_clientArea->setFrameShape(QFrame::NoFrame);
    m_clientArea->setFocusPolicy(Qt::NoFocus);
    m_clientArea->setWidgetResizable(true);
    m_clientArea->setWidget(m_client);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(m_clientArea);
    resize(FullSize());
    for (std::size_t index = 1; index < kTabOrder.size(); ++index) {
        setTabOrder(m_controls.value(kTabOrder[index - 1]), m_controls.value(kTabOrder[index]));
    }
    m_controls.value(Banner)->setFocusPolicy(Qt::NoFocus);
    m_progressBar->setFocusPolicy(Qt::NoFocus);

    m_list->SetUp();
    m_list->SetSearchPendingQuery([this] { return m_searchDriver.IsSearchPending(); });
    // A failed query is told in its row, not in a box: nothing interrupts a running search.
    m_progressBar->setTextVisible(true);
    m_progressBar->setAlignment(Qt::AlignCenter);
    m_progressBar->setFormat(QString());
    connect(&m_searchDriver, &CSearchDriver::progressChanged, m_progressBar,
            [this](int value, int maximum, const QString& text) {
                m_progressBar->setRange(0, maximum);
                m_progressBar->setValue(value);
                m_progressBar->setFormat(text.isEmpty() ? m_registryLine : text);
            });
    SetUpButtons();
    ConnectButtons();
    // After the search's own end has been told (the finished box counts the names DNS found).
    connect(&m_lookupEngine, &CLookupEngine::finished, this, &CSearchDlg::ApplySearchSettings,
            Qt::QueuedConnection);
    connect(&m_registryList, &CRegistryList::updateFinished, this,
            [this](bool succeeded, const QString& message) {
                if (succeeded) {
                    // A running search goes on; the names it has not asked yet take the new list.
                    ServerRoutes routes = m_lookupEngine.Options().routes;
                    routes.SetRdapBootstrap(m_registryList.Current());
                    m_lookupEngine.SetRoutes(std::move(routes));
                }
                if (std::exchange(m_updateIsAutomatic, false)) {
                    m_registryLine = message;
                    if (!m_searchDriver.IsSearchPending()) {
                        m_progressBar->setFormat(m_registryLine);
                    }
                    return;
                }
                // The box speaks for the list now; a line from the start would contradict it.
                m_registryLine.clear();
                if (!m_searchDriver.IsSearchPending()) {
                    m_progressBar->setFormat(QString());
                }
                m_messageBoxes.Show(message.toStdString(),
                                    succeeded ? MessageBoxIcon::None : MessageBoxIcon::Stop);
            });
}

QSize CSearchDlg::FullSize() const
{
    return m_templateSize + QSize(0, m_menuBar->sizeHint().height());
}

void CSearchDlg::FitToScreen()
{
    const QScreen* screen = this->screen();
    if (!screen) {
        return;
    }
    // The frame's size is known once the window is shown; the room is what the screen leaves.
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize room = screen->availableGeometry().size() - frame;
    // Where the controls scroll one way, the scroll bar takes room the other way.
    QSize least = FullSize();
    const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_clientArea);
    least +=
        QSize(least.height() > room.height() ? bar : 0, least.width() > room.width() ? bar : 0);
    setMinimumSize(least.boundedTo(room));
    if (!isMaximized() && !isFullScreen() && (width() > room.width() || height() > room.height())) {
        resize(size().boundedTo(room));
    }
}

void CSearchDlg::showEvent(QShowEvent* event)
{
    if (!m_screenWatched && windowHandle()) {
        m_screenWatched = true;
        connect(windowHandle(), &QWindow::screenChanged, this, &CSearchDlg::FitToScreen);
    }
    FitToScreen();
    QDialog::showEvent(event);
}

void CSearchDlg::SetUpButtons()
{
    SetUpIconButtons(m_controls, kButtons, m_themeLibrary);
}

CSearchDlg::~CSearchDlg()
{
    // Close any open connection before the controls it reports to go away.
    m_lookupEngine.Stop();
}

void CSearchDlg::done(int result)
{
    // An hour of verdicts should not go with one stray Escape.
    const int names = m_list->GetItemCount();
    if (names > 0 && !m_messageBoxes.Ask(QuitQuestion(names))) {
        return;
    }
    m_lookupEngine.Stop();
    QDialog::done(result);
}

void CSearchDlg::SetWhoisServer(std::optional<ServerAddress> server)
{
    SearchOptions options = m_lookupEngine.Options();
    options.routes.ClearDefault(QueryRoute::Protocol::Whois);
    if (server) {
        options.routes.AddWhoisServer({}, std::move(*server));
    }
    SetSearchOptions(std::move(options));
}

void CSearchDlg::SetSearchOptions(SearchOptions options)
{
    m_dnsAllowed = options.askDnsFirst;
    m_storeAllowed = options.rememberAnswers;
    options.askDnsFirst = m_dnsAllowed && IsAskDnsFirstOn();
    options.rememberAnswers = m_storeAllowed && IsRememberAnswersOn();
    // "--no-store": the setting cannot turn the store on.
    if (m_rememberAnswersAction) {
        m_rememberAnswersAction->setEnabled(m_storeAllowed);
    }
    m_lookupEngine.SetOptions(std::move(options));
}

void CSearchDlg::OnAskDnsFirstToggled()
{
    QSettings().setValue(QLatin1String(kAskDnsFirstKey), m_askDnsFirstAction->isChecked());
    // A running search keeps its way of asking; the next one takes the new.
    m_searchSettingsPending = true;
    if (!m_lookupEngine.IsBusy()) {
        ApplySearchSettings();
    }
}

void CSearchDlg::OnRememberAnswersToggled()
{
    QSettings().setValue(QLatin1String(kRememberAnswersKey), m_rememberAnswersAction->isChecked());
    m_searchSettingsPending = true;
    if (!m_lookupEngine.IsBusy()) {
        ApplySearchSettings();
    }
}

void CSearchDlg::ForgetRememberedAnswers()
{
    if (m_messageBoxes.Ask("Forget every answer remembered from earlier searches? The next "
                           "searches ask the registries about every name again.")) {
        m_lookupEngine.ForgetRememberedAnswers();
    }
}

void CSearchDlg::ApplySearchSettings()
{
    if (!m_searchSettingsPending) {
        return;
    }
    m_searchSettingsPending = false;
    SearchOptions options = m_lookupEngine.Options();
    options.askDnsFirst = m_dnsAllowed && IsAskDnsFirstOn();
    options.rememberAnswers = m_storeAllowed && IsRememberAnswersOn();
    m_lookupEngine.SetOptions(std::move(options));
}

void CSearchDlg::ConnectButtons()
{
    const auto onClick = [this](int id, auto handler) {
        connect(qobject_cast<QPushButton*>(m_controls.value(id)), &QPushButton::clicked, this,
                handler);
    };
    onClick(AddNewKeywords, [this] { OnAddNewKeywords(); });
    onClick(SearchDomains, [this] { m_searchDriver.OnSearchDomains(); });
    onClick(StopSearch, [this] { m_searchDriver.OnStopSearch(); });
    onClick(DeleteList, [this] { m_listCommands.ClearList(); });
    onClick(SelectAll, [this] { m_listCommands.CheckAll(); });
    onClick(UnselectAll, [this] { m_listCommands.UncheckAll(); });
    onClick(SelectAvailable, [this] { m_listCommands.CheckAvailable(); });
    onClick(SelectTaken, [this] { m_listCommands.CheckTaken(); });
    onClick(DeleteSelected, [this] { m_listCommands.DeleteChecked(); });
    onClick(DeleteUnselected, [this] { m_listCommands.DeleteUnchecked(); });
    onClick(DeleteTaken, [this] { m_listCommands.DeleteTaken(); });
    onClick(CopySelected, [this] { m_listCommands.CopyChecked(); });
    onClick(SaveSelected, [this] { m_listCommands.SaveChecked(); });
    // F5 presses "Search Domains", as its tooltip says.
    auto* searchKey = new QAction(this);
    searchKey->setObjectName(QStringLiteral("searchKey"));
    searchKey->setShortcut(Qt::Key_F5);
    connect(searchKey, &QAction::triggered, this,
            [this] { qobject_cast<QPushButton*>(m_controls.value(SearchDomains))->click(); });
    addAction(searchKey);
    connect(m_list, &CDomainListCtrl::rowDoubleClicked, this,
            [this] { m_listCommands.OpenSelectedRow(); });
    connect(m_list, &CDomainListCtrl::contextMenuAt, this, &CSearchDlg::ShowListMenu);
}

void CSearchDlg::BuildMenus()
{
    const auto fill = [this](QMenu& menu, std::span<const MenuEntry> entries) {
        for (const MenuEntry& entry : entries) {
            if (entry.id == 0) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(QString::fromUtf8(entry.text));
            action->setObjectName(QString::number(entry.id));
            action->setCheckable(entry.checkable);
            connect(action, &QAction::triggered, this, [this, entry] {
                if (entry.listCommand) {
                    (m_listCommands.*entry.listCommand)();
                } else {
                    (this->*entry.windowCommand)();
                }
            });
        }
    };
    m_menuBar = new QMenuBar(this);
    for (const Menu& menu : kMenuBar) {
        fill(*m_menuBar->addMenu(QString::fromUtf8(menu.title)), menu.entries);
    }
    m_listMenu = new QMenu(this);
    m_listMenu->setObjectName(QStringLiteral("listMenu"));
    fill(*m_listMenu, kListMenu);
    for (const MenuKey& key : kMenuKeys) {
        auto* action = findChild<QAction*>(QString::number(key.id));
        action->setShortcut(key.key);
        if (key.id == CommandId::CopySelectedRow) {
            // The list's menu is shown only on request: the list itself holds its key.
            action->setShortcutContext(Qt::WidgetShortcut);
            m_list->addAction(action);
        }
    }
    m_automaticRefreshAction = m_menuBar->findChild<QAction*>(
        QString::number(CommandId::RefreshRegistryListAutomatically));
    m_automaticRefreshAction->setChecked(IsAutomaticRefreshOn());
    m_askDnsFirstAction = m_menuBar->findChild<QAction*>(QString::number(CommandId::AskDnsFirst));
    m_askDnsFirstAction->setChecked(IsAskDnsFirstOn());
    m_rememberAnswersAction =
        m_menuBar->findChild<QAction*>(QString::number(CommandId::RememberAnswers));
    m_rememberAnswersAction->setChecked(IsRememberAnswersOn());

    // The desktop's help key reaches the same help.
    auto* helpKey = new QAction(this);
    helpKey->setShortcut(QKeySequence::HelpContents);
    connect(helpKey, &QAction::triggered, this, [this] { ShowHelp(); });
    addAction(helpKey);
}

void CSearchDlg::UpdateRegistryList()
{
    // Asked for by hand, the answer comes in a box, also when an automatic refresh is under way.
    m_updateIsAutomatic = false;
    m_registryList.Update();
}

void CSearchDlg::RefreshRegistryListIfOld()
{
    // Called at start, once the list is loaded: a refused downloaded copy is told like a failed
    // refresh, in the line under the list, and a refresh's own line replaces it.
    m_registryLine = m_registryList.RefusedListMessage();
    if (!m_searchDriver.IsSearchPending()) {
        m_progressBar->setFormat(m_registryLine);
    }
    if (IsAutomaticRefreshOn()) {
        m_updateIsAutomatic = m_registryList.UpdateIfOld(QDateTime::currentDateTimeUtc());
    }
}

void CSearchDlg::OnAutomaticRefreshToggled()
{
    QSettings().setValue(QLatin1String(kAutomaticRefreshKey),
                         m_automaticRefreshAction->isChecked());
}

void CSearchDlg::ShowAbout()
{
    CAboutDlg about(m_urls, this);
    about.exec();
}

void CSearchDlg::ShowHelp()
{
    m_help.ShowHelp();
}

void CSearchDlg::OpenHomePage()
{
    m_urls.Open(WebAddress::kHomePage);
}

void CSearchDlg::ShowListMenu(const QPoint& globalPosition)
{
    m_listMenu->exec(globalPosition);
}

void CSearchDlg::PrintDomainList()
{
    m_listPrinter.PrintList(m_list->Model(), QStringLiteral("Domain List"), QPageLayout::Portrait);
}

void CSearchDlg::OnAddNewKeywords()
{
    if (m_keywordDlg.exec() != QDialog::Accepted) {
        return;
    }
    GenerateCandidates();
}

void CSearchDlg::GenerateCandidates()
{
    // The names gather outside the list and join it in one step, so a large run costs one
    // notification of the view instead of one per row.
    PendingRows newRows(
        [this](std::string_view name) { return m_list->Model().Rows().Contains(name); });
    CandidateGenerator generator(m_keywordDlg.Options(), m_keywordDlg.Extensions(),
                                 m_keywordDlg.Lists(), newRows);
    const bool someLineNotCombined = generator.GenerateCandidates();
    m_list->Model().AppendPendingNames(newRows.TakeNames());
    if (someLineNotCombined) {
        m_messageBoxes.Show(CandidateGenerator::kLinesNotCombinedMessage, MessageBoxIcon::None);
    }
}

void CSearchDlg::OnLoadKeywords()
{
    if (m_keywordDlg.OnLoadKeywords()) {
        OnAddNewKeywords();
    }
}

void CSearchDlg::OnLoadTopWords()
{
    if (m_keywordDlg.OnLoadTopWords()) {
        OnAddNewKeywords();
    }
}

void CSearchDlg::OnLoadPrefixes()
{
    m_keywordDlg.OnLoadPrefixes();
}

void CSearchDlg::OnLoadSuffixes()
{
    m_keywordDlg.OnLoadSuffixes();
}
