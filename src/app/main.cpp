#include "CSearchApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(QIRV_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.zelbrane.Qirv"));
    Q_INIT_RESOURCE(qirv);
    CSearchApp program;
    program.InitInstance();
    return program.m_exitCode;
}
