#include "support/testmain.h"

#include <QApplication>
#include <QLocale>
#include <QTest>
#include <sys/stat.h>

namespace testsupport {

std::vector<TestFactory>& registeredTests()
{
    static std::vector<TestFactory> tests;
    return tests;
}

}  // namespace testsupport

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The usual wide umask: a file the program writes must be its user's alone by itself.
    ::umask(S_IWGRP | S_IWOTH);
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    int failed = 0;
    for (const auto& make : testsupport::registeredTests()) {
        std::unique_ptr<QObject> test = make();
        failed += QTest::qExec(test.get(), argc, argv) != 0 ? 1 : 0;
    }
    return failed == 0 ? 0 : 1;
}
