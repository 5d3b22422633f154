#include "TestMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    UsePrivateSettings();
    QApplication application(argc, argv);
    Q_INIT_RESOURCE(qirv);
    return RunRegisteredTests(argc, argv);
}
