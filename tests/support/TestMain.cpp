#include "TestMain.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>

std::vector<TestFactory>& RegisteredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

int RunRegisteredTests(int argc, char** argv)
{
    const char* onlyClass = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> arguments{argv[0]};
    arguments.insert(arguments.end(), argv + (onlyClass ? 2 : 1), argv + argc);
    int failures = 0;
    bool ranAny = false;
    for (const TestFactory& factory : RegisteredTests()) {
        const std::unique_ptr<QObject> test = factory();
        if (onlyClass && std::strcmp(test->metaObject()->className(), onlyClass) != 0) {
            continue;
        }
        ranAny = true;
        failures += QTest::qExec(test.get(), static_cast<int>(arguments.size()), arguments.data());
    }
    if (!ranAny) {
        qWarning("No test class named %s", onlyClass);
        return 1;
    }
    return failures == 0 ? 0 : 1;
}

void UsePrivateSettings()
{
    // QSettings finds its folder through XDG_CONFIG_HOME once, at its first use. Qt's own test
    // mode is not enough: its folder is one for every run under the same home. The store of
    // remembered answers lives under XDG_DATA_HOME.
    static QTemporaryDir folder;
    if (!folder.isValid() || !qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path())) ||
        !qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("data"))))) {
        qFatal("No private folder for the tests' settings");
    }
    QCoreApplication::setOrganizationName(QStringLiteral("qirv"));
    QCoreApplication::setApplicationName(QStringLiteral("qirv"));
}
