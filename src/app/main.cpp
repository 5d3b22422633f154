#include "CSearchApp.h"
#include "version/QirvVersion.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationVersion(QString::fromUtf8(kQirvVersion));
    QApplication::setDesktopFileName(QStringLiteral("com.zelbrane.Qirv"));
    Q_INIT_RESOURCE(qirv);
    CSearchApp program;
    program.InitInstance();
    return program.m_exitCode;
}
