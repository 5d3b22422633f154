#include "TestMain.h"

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
