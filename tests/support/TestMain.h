#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <vector>

// Lets one test executable per subsystem hold several test classes: each class registers itself
// with QIRV_TEST, and the shared main runs them all (or only the one named as first argument).
using TestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<TestFactory>& RegisteredTests();

struct TestRegistration
{
    explicit TestRegistration(TestFactory factory)
    {
        RegisteredTests().push_back(std::move(factory));
    }
};

// Runs the registered classes; the executable's main creates the application object first.
int RunRegisteredTests(int argc, char** argv);

// Every test executable's main calls this before anything else: settings then live in a folder of
// this run's own, removed at its end, so no test reads or writes the user's, and two runs at once
// (ctest -j, another checkout) never see each other's. Tests start each case from a clean file
// with QSettings().clear().
void UsePrivateSettings();

#define QIRV_TEST(Class)                                                                           \
    static const TestRegistration registration##Class([] { return std::make_unique<Class>(); })
