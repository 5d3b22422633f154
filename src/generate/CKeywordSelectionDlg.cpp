#include "CKeywordSelectionDlg.h"

#include "controls/CThemeLibrary.h"
#include "controls/DialogTemplate.h"
#include "controls/EditText.h"
#include "generate/core/RegistryExtensions.h"
#include "text/CLineListTools.h"
#include "text/CTextLineReader.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <array>
#include <optional>

namespace {

using enum ControlKind;

enum : int
{
    kOk = 1,
    kCancel = 2,
    kUseSuffixes = 1002,
    kUsePrefixes = 1003,
    kEditSuffixes = 1004,
    kEditPrefixes = 1005,
    kKeywords = 1006,
    kUseHyphens = 1007,
    kUseTopWords = 1008,
    kEditTopWords = 1009,
    kCom = 1010,
    kNet = 1011,
    kOrg = 1012,
    kInfo = 1013,
    kBiz = 1014,
    kCa = 1015,
    kSelectAll = 1017,
    kCombineKeywords = 1028,
    kEu = 1040,
    kRemoveSpaces = 1041,
    kEdu = 1042,
    kUs = 1043,
    kMoreExtensions = 1044,
};

// In tab order. The row of further extensions (15 units) sits below the check boxes: the
// extension group, the keyword box and the window grow by its height, what is below moves down.
constexpr auto kSelectionWindow = std::to_array<ControlTemplate>({
    {kOk, "ok", DefaultIconButton, "OK", 137, 224, 50, 14},
    {kCancel, "cancel", IconButton, "Cancel", 213, 224, 50, 14},
    {kUseSuffixes, "useSuffixes", CheckBox, "Use Suffixes", 244, 141, 55, 10},
    {kUsePrefixes, "usePrefixes", CheckBox, "Use Prefixes", 244, 161, 55, 10},
    {kEditSuffixes, "editSuffixes", IconButton, "Edit Suffix List", 311, 138, 76, 18},
    {kEditPrefixes, "editPrefixes", IconButton, "Edit Preffix List", 311, 159, 76, 18},
    {0, "keywordGroup", GroupBox, "Keyword List ( Enter One or More KeyWords in Every Line", 7, 8,
     228, 210},
    {kKeywords, "keywords", MultiLineEdit, "", 11, 18, 218, 192},
    {kUseHyphens, "useHyphens", CheckBox, "Use hyphens", 244, 201, 55, 10},
    {0, "extensionsGroup", GroupBox, "Domain Extensions", 238, 8, 153, 84},
    {kCom, "com", CheckBox, ".com", 244, 23, 31, 10},
    {kNet, "net", CheckBox, ".net", 281, 23, 26, 10},
    {kOrg, "org", CheckBox, ".org", 313, 23, 28, 10},
    {kInfo, "info", CheckBox, ".info", 345, 22, 29, 10},
    {kBiz, "biz", CheckBox, ".biz", 244, 42, 27, 10},
    {kCa, "ca", CheckBox, ".ca", 313, 42, 26, 10},
    {kSelectAll, "selectAll", IconButton, "Select All", 303, 56, 64, 17},
    {0, "moreExtensionsLabel", Label, "Others:", 244, 78, 30, 8},
    {kMoreExtensions, "moreExtensions", Custom, "", 276, 76, 109, 12},
    {0, "combinationGroup", GroupBox, "KeyWord Combination", 238, 95, 153, 30},
    {0, "wordListsGroup", GroupBox, "Prefix, Suffix, Hyphens", 237, 128, 154, 90},
    {kUseTopWords, "useTopWords", CheckBox, "Use Top Words", 244, 181, 63, 10},
    {kCombineKeywords, "combineKeywords", CheckBox, "Combine Keywords", 244, 109, 76, 10},
    {kEditTopWords, "editTopWords", IconButton, "Edit Top Words", 311, 180, 76, 18},
    {kEu, "eu", CheckBox, ".eu", 345, 42, 26, 10},
    {kRemoveSpaces, "removeSpaces", CheckBox, "Remove Spaces", 312, 201, 69, 10},
    {kEdu, "edu", CheckBox, ".edu", 281, 42, 26, 10},
    {kUs, "us", CheckBox, ".us", 244, 59, 25, 10},
});

// Each check box, its member and its key in the settings file. The keys are part of the file
// users keep between versions: renaming one forgets that choice.
struct FlagBinding
{
    int id;
    int KeywordOptions::*flag;
    const char* settingsKey;
};

constexpr std::array kFlagBindings{
    FlagBinding{kUsePrefixes, &KeywordOptions::m_bUsePrefixes, "usePrefixes"},
    FlagBinding{kUseSuffixes, &KeywordOptions::m_bUseSuffixes, "useSuffixes"},
    FlagBinding{kUseHyphens, &KeywordOptions::m_bUseHyphens, "useHyphens"},
    FlagBinding{kBiz, &KeywordOptions::m_bBiz, "biz"},
    FlagBinding{kCa, &KeywordOptions::m_bCa, "ca"},
    FlagBinding{kCom, &KeywordOptions::m_bCom, "com"},
    FlagBinding{kInfo, &KeywordOptions::m_bInfo, "info"},
    FlagBinding{kNet, &KeywordOptions::m_bNet, "net"},
    FlagBinding{kOrg, &KeywordOptions::m_bOrg, "org"},
    FlagBinding{kUseTopWords, &KeywordOptions::m_bUseTopWords, "useTopWords"},
    FlagBinding{kCombineKeywords, &KeywordOptions::m_bCombineKeywords, "combineKeywords"},
    FlagBinding{kEu, &KeywordOptions::m_bEu, "eu"},
    FlagBinding{kRemoveSpaces, &KeywordOptions::m_bRemoveSpaces, "removeSpaces"},
    FlagBinding{kEdu, &KeywordOptions::m_bEdu, "edu"},
    FlagBinding{kUs, &KeywordOptions::m_bUs, "us"},
};

constexpr auto kSettingsGroup = "KeywordWindow";
constexpr auto kMoreExtensionsKey = "moreExtensions";

// A check box as QSettings writes it. Anything else, such as a hand edit to "1" or "maybe", is no
// answer, and the box keeps its default.
std::optional<int> ReadFlag(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool() ? 1 : 0;
    }
    if (value.typeId() == QMetaType::QString) {
        const QString text = value.toString();
        if (text == QLatin1String("true")) {
            return 1;
        }
        if (text == QLatin1String("false")) {
            return 0;
        }
    }
    return std::nullopt;
}

// The typed extensions as remembered, when every one of them is still an extension.
std::optional<std::string> ReadMoreExtensions(const QVariant& value)
{
    if (value.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    std::string text = value.toString().toStdString();
    if (!ReadTypedExtensions(text).invalid.empty()) {
        return std::nullopt;
    }
    return text;
}

} // namespace

CKeywordSelectionDlg::CKeywordSelectionDlg(FileDialogSeam& fileDialogs, QWidget* parent)
    : QDialog(parent, kFixedDialogFlags),
      m_programDirectory([] { return QCoreApplication::applicationDirPath().toStdString(); }),
      m_fileDialogs(fileDialogs), m_dlgEditor(fileDialogs, this)
{
    m_ownMessageBoxes.SetParentWindow(this);
    m_moreExtensionsEdit = new QLineEdit(this);
    m_moreExtensionsEdit->setPlaceholderText(QStringLiteral(".io .dev .co.uk"));
    m_moreExtensionsEdit->setToolTip(
        QStringLiteral("Further extensions, separated by blanks or commas"));
    m_controls =
        BuildFixedDialog(*this, QStringLiteral("Keyword Selection Dialog"), QSize(402, 245),
                         kSelectionWindow, {{kMoreExtensions, m_moreExtensionsEdit}});
    QWidget* previous = nullptr;
    for (const ControlTemplate& control : kSelectionWindow) {
        QWidget* current = m_controls.value(control.id);
        if (control.id == 0 || !current) {
            continue;
        }
        if (previous) {
            setTabOrder(previous, current);
        }
        previous = current;
    }
    m_keywordEdit = qobject_cast<QPlainTextEdit*>(m_controls.value(kKeywords));
    m_keywordEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_keywordEdit->setTabChangesFocus(true);

    // Set up in this order: the three Edit buttons, Select All, OK, Cancel.
    static constexpr IconButtonSetUp kButtons[] = {
        {kEditSuffixes, "Edit Suffix List", 184, 183},
        {kEditPrefixes, "Edit Preffix List", 184, 183},
        {kEditTopWords, "Edit Top Words", 184, 183},
        {kSelectAll, "Select All", 145, 147},
        {kOk, "OK", 0, 0},
        {kCancel, "Cancel", 0, 0},
    };
    SetUpIconButtons(m_controls, kButtons, m_themeLibrary);

    const auto onClick = [this](int id, auto handler) {
        connect(qobject_cast<QPushButton*>(m_controls.value(id)), &QPushButton::clicked, this,
                handler);
    };
    onClick(kOk, [this] { accept(); });
    onClick(kCancel, [this] { reject(); });
    onClick(kSelectAll, [this] { OnSelectAll(); });
    onClick(kEditSuffixes, [this] { EditWordList(m_lists.m_arrSuffixes); });
    onClick(kEditPrefixes, [this] { EditWordList(m_lists.m_arrPrefixes); });
    onClick(kEditTopWords, [this] { EditWordList(m_lists.m_arrTopWords); });
    ReadRememberedChoices();
}

int CKeywordSelectionDlg::exec()
{
    UpdateData(false);
    LoadWordFilesOnce();
    UpdateData(false);
    m_keywordEdit->setFocus();
    return QDialog::exec();
}

void CKeywordSelectionDlg::accept()
{
    UpdateData(true);
    const TypedExtensions typed = ReadTypedExtensions(m_options.m_strMoreExtensions);
    if (!typed.invalid.empty()) {
        std::string names;
        for (const std::string& invalid : typed.invalid) {
            names += names.empty() ? "" : ", ";
            names += invalid;
        }
        m_messageBoxes->Show("Not a domain extension: " + names +
                                 "\n\nQirv takes the extensions registries give out names "
                                 "under (the public suffix list), such as .io .dev .co.uk, "
                                 "separated by blanks or commas.",
                             MessageBoxIcon::None);
        m_moreExtensionsEdit->setFocus();
        return;
    }
    m_arrExtensions = ExtensionsInOrder(m_options);
    AppendNewExtensions(m_arrExtensions, typed.valid);
    RememberChoices();
    QDialog::accept();
}

void CKeywordSelectionDlg::OnSelectAll()
{
    UpdateData(true);
    SelectAllExtensions(m_options);
    UpdateData(false);
}

void CKeywordSelectionDlg::EditWordList(std::vector<std::string>& list)
{
    m_dlgEditor.SetMessageBoxes(m_messageBoxes);
    std::string shown;
    CLineListTools::JoinLines(list, shown, "\r\n");
    m_dlgEditor.SetText(std::move(shown));
    if (m_dlgEditor.exec() != QDialog::Accepted) {
        return;
    }
    std::string text = m_dlgEditor.Text();
    if (!text.empty() && !text.ends_with("\r\n")) {
        text += "\r\n";
    }
    list.clear();
    CLineListTools::SplitLines(list, text, "\r\n");
}

void CKeywordSelectionDlg::ReadOrSayWhy(const std::function<void()>& read)
{
    try {
        read();
    } catch (const TextFileNotRead& notRead) {
        m_messageBoxes->Show(std::string("The file was not read: ") + notRead.what() + ".",
                             MessageBoxIcon::Stop);
    }
}

void CKeywordSelectionDlg::LoadSuffixList(const std::string& path)
{
    ReadOrSayWhy([&] { m_lists.m_arrSuffixes = ReadTrimmedLines(path); });
}

void CKeywordSelectionDlg::LoadPrefixList(const std::string& path)
{
    ReadOrSayWhy([&] { m_lists.m_arrPrefixes = ReadTrimmedLines(path); });
}

void CKeywordSelectionDlg::LoadTopWordList(const std::string& path)
{
    ReadOrSayWhy([&] { m_lists.m_arrTopWords = ReadTrimmedLines(path); });
}

void CKeywordSelectionDlg::LoadKeywordText(const std::string& path)
{
    ReadOrSayWhy([&] { m_options.m_strKeywords = ReadKeywordText(path); });
}

bool CKeywordSelectionDlg::LoadChosenFile(void (CKeywordSelectionDlg::*load)(const std::string&))
{
    const std::string path = ChooseTextFile(m_fileDialogs);
    if (path.empty()) {
        return false;
    }
    m_options.m_strKeywords.clear();
    (this->*load)(path);
    return true;
}

bool CKeywordSelectionDlg::OnLoadKeywords()
{
    return LoadChosenFile(&CKeywordSelectionDlg::LoadKeywordText);
}

bool CKeywordSelectionDlg::OnLoadTopWords()
{
    return LoadChosenFile(&CKeywordSelectionDlg::LoadTopWordList);
}

void CKeywordSelectionDlg::OnLoadPrefixes()
{
    LoadChosenFile(&CKeywordSelectionDlg::LoadPrefixList);
}

void CKeywordSelectionDlg::OnLoadSuffixes()
{
    LoadChosenFile(&CKeywordSelectionDlg::LoadSuffixList);
}

std::string CKeywordSelectionDlg::GetProgramDirectory() const
{
    return m_programDirectory();
}

void CKeywordSelectionDlg::LoadWordFilesOnce()
{
    if (m_bListsLoaded != 0) {
        return;
    }
    m_strProgramDir = GetProgramDirectory();
    // A list that a File-menu command filled before this first opening stays as it is.
    if (m_lists.m_arrSuffixes.empty()) {
        LoadSuffixList(m_strProgramDir + "/suffixes.txt");
    }
    if (m_lists.m_arrPrefixes.empty()) {
        LoadPrefixList(m_strProgramDir + "/preffixes.txt");
    }
    if (m_lists.m_arrTopWords.empty()) {
        LoadTopWordList(m_strProgramDir + "/keywords.txt");
    }
    m_bListsLoaded = 1;
}

void CKeywordSelectionDlg::UpdateData(bool takeFromControls)
{
    for (const FlagBinding& binding : kFlagBindings) {
        auto* box = qobject_cast<QCheckBox*>(m_controls.value(binding.id));
        if (takeFromControls) {
            m_options.*binding.flag = box->isChecked() ? 1 : 0;
        } else {
            box->setChecked(m_options.*binding.flag != 0);
        }
    }
    if (takeFromControls) {
        TakeFromEdit(*m_keywordEdit, m_options.m_strKeywords);
        m_options.m_strMoreExtensions = m_moreExtensionsEdit->text().toStdString();
    } else {
        ShowInEdit(*m_keywordEdit, m_options.m_strKeywords);
        m_moreExtensionsEdit->setText(QString::fromStdString(m_options.m_strMoreExtensions));
    }
}

void CKeywordSelectionDlg::ReadRememberedChoices()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kSettingsGroup));
    for (const FlagBinding& binding : kFlagBindings) {
        if (const std::optional<int> flag =
                ReadFlag(settings.value(QLatin1String(binding.settingsKey)))) {
            m_options.*binding.flag = *flag;
        }
    }
    if (const std::optional<std::string> typed =
            ReadMoreExtensions(settings.value(QLatin1String(kMoreExtensionsKey)))) {
        m_options.m_strMoreExtensions = *typed;
    }
}

void CKeywordSelectionDlg::RememberChoices() const
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kSettingsGroup));
    for (const FlagBinding& binding : kFlagBindings) {
        settings.setValue(QLatin1String(binding.settingsKey), m_options.*binding.flag != 0);
    }
    settings.setValue(QLatin1String(kMoreExtensionsKey),
                      QString::fromStdString(m_options.m_strMoreExtensions));
}
