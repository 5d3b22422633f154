#include "CSearchApp.h"

#include "CSearchDlg.h"
#include "desktop/QtMessageBoxes.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
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
    const QCommandLineOption whoisServer(
        QStringLiteral("whois-server"),
        QStringLiteral("Send every query to this server instead of the registries'."),
        QStringLiteral("HOST[:PORT]"));
    parser.addOption(whoisServer);
    const QCommandLineOption rdapServer(
        QStringLiteral("rdap-server"),
        QStringLiteral("Send every RDAP query (suffixes without a whois server) to this base URL."),
        QStringLiteral("URL"));
    parser.addOption(rdapServer);
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
    std::optional<ServerAddress> server;
    if (parser.isSet(whoisServer)) {
        server = ParseServerAddress(parser.value(whoisServer).toStdString());
        if (!server) {
            std::fprintf(stderr, "Not a server address: %s\n",
                         qPrintable(parser.value(whoisServer)));
            m_exitCode = 2;
            return false;
        }
    }

    std::optional<std::string> rdapBase;
    if (parser.isSet(rdapServer)) {
        const QUrl url(parser.value(rdapServer), QUrl::StrictMode);
        if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https") ||
            url.host().isEmpty()) {
            std::fprintf(stderr, "Not an http or https URL: %s\n",
                         qPrintable(parser.value(rdapServer)));
            m_exitCode = 2;
            return false;
        }
        rdapBase = parser.value(rdapServer).toStdString();
    }

    if (!m_isSocketLayerAvailable()) {
        messageBoxes.Show("Socket initialization failed!", MessageBoxIcon::None);
        m_exitCode = 1;
        return false;
    }

    SearchDlgSeams seams;
    seams.messageBoxes = m_messageBoxes;
    CSearchDlg window(seams);
    window.SetWhoisServer(server);
    window.WhoisSocket().SetRdapOverride(rdapBase);
    window.exec();
    return false;
}
