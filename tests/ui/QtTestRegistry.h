// One Qt Test executable per area runs several test classes, one per file:
// each file registers its class with a static QtTestRegistration, and the
// area's main runs them all and adds up their failures.
#pragma once

#include <QObject>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

using QtTestFactory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<QtTestFactory>& RegisteredQtTests()
{
    static std::vector<QtTestFactory> tests;
    return tests;
}

template <class Test> struct QtTestRegistration {
    QtTestRegistration()
    {
        RegisteredQtTests().push_back([] { return std::unique_ptr<QObject>(new Test); });
    }
};

inline int RunRegisteredQtTests(int argc, char** argv)
{
    int failures = 0;
    for (const QtTestFactory& make : RegisteredQtTests()) {
        std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures;
}
