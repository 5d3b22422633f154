#include "TestMain.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    UsePrivateSettings();
    QCoreApplication application(argc, argv);
    return RunRegisteredTests(argc, argv);
}
