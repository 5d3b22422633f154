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

#define QIRV_TEST(Class)                                                                           \
    static const TestRegistration registration##Class([] { return std::make_unique<Class>(); })
