#include "CSearchApp.h"

#include "CSearchDlg.h"
#include "desktop/QtMessageBoxes.h"
#include "search/SearchOptions.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <sys/socket.h>
#include <unistd.h>

bool IsSocketLayerAvailable()
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM, 0);
    if (descriptor < 0) {
        return false;
    }
    ::close(descriptor);
    return true;
}

CSearchApp::CSearchApp() : m_isSocketLayerAvailable(IsSocketLayerAvailable) {}

namespace {

constexpr auto kWindowPlaceKey = "MainWindow/geometry";

} // namespace

void CSearchApp::RestoreWindowPlace(QWidget& window)
{
    // Nothing remembered, or bytes that are no saved geometry, leave the window untouched.
    window.restoreGeometry(QSettings().value(QLatin1String(kWindowPlaceKey)).toByteArray());
}

void CSearchApp::RememberWindowPlace(const QWidget& window)
{
    QSettings().setValue(QLatin1String(kWindowPlaceKey), window.saveGeometry());
}

QString CSearchApp::HelpFilePath()
{
    const QFileInfo program(QCoreApplication::applicationFilePath());
    return QDir(program.absolutePath()).filePath(program.completeBaseName() + ".chm");
}

bool CSearchApp::InitInstance()
{
    QtMessageBoxes ownMessageBoxes;
    MessageBoxSeam& messageBoxes = m_messageBoxes ? *m_messageBoxes : ownMessageBoxes;

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Finds unregistered Internet domain names."));
    parser.addHelpOption();
    parser.addVersionOption();
    AddSearchOptions(parser);
    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "%s\n", qPrintable(parser.errorText()));
        m_exitCode = 2;
        return false;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return false;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("qirv %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return false;
    }
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        // Started for text only ("qirv --pace -v"): there is no window to open.
        std::fprintf(stderr, "qirv: no window can be opened with these arguments\n");
        m_exitCode = 2;
        return false;
    }
    QString error;
    std::optional<SearchOptions> options = ReadSearchOptions(parser, error);
    if (!options) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        m_exitCode = 2;
        return false;
    }

    if (!m_isSocketLayerAvailable()) {
        messageBoxes.Show("Socket initialization failed!", MessageBoxIcon::None);
        m_exitCode = 1;
        return false;
    }

    SearchDlgSeams seams;
    seams.messageBoxes = m_messageBoxes;
    CSearchDlg window(seams);
    options->routes.SetRdapBootstrap(window.RegistryList().Load());
    window.SetSearchOptions(*options);
    window.RefreshRegistryListIfOld();
    RestoreWindowPlace(window);
    window.exec();
    RememberWindowPlace(window);
    return false;
}
