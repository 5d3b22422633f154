#include "CSearchApp.h"
#include "version/QirvVersion.h"

#include <QApplication>
#include <cstring>

namespace {

// "--help" and "--version" only print: they must work on a terminal without a display.
bool AsksOnlyForText(int argc, char** argv)
{
    for (int index = 1; index < argc; ++index) {
        for (const char* option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[index], option) == 0) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

// Outside the unnamed namespace: the resource initialiser is declared where it is used.
static int Run()
{
    Q_INIT_RESOURCE(qirv);
    CSearchApp program;
    program.InitInstance();
    return program.ExitCode();
}

int main(int argc, char** argv)
{
    // Before any settings are read: QSettings then keeps them in ~/.config/qirv/qirv.conf
    // ($XDG_CONFIG_HOME/qirv/qirv.conf).
    QCoreApplication::setOrganizationName(QStringLiteral("qirv"));
    QCoreApplication::setApplicationName(QStringLiteral("qirv"));
    if (AsksOnlyForText(argc, argv)) {
        QCoreApplication application(argc, argv);
        QCoreApplication::setApplicationVersion(QString::fromUtf8(kQirvVersion));
        return Run();
    }
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QString::fromUtf8(kQirvVersion));
    QApplication::setDesktopFileName(QStringLiteral("com.zelbrane.Qirv"));
    return Run();
}
