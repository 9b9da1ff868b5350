#pragma once
// Every test class of an area registers itself with HALVANE_TEST; the area's
// executable runs them all in one QApplication and fails when any of them fails.
#include <QObject>
#include <functional>
#include <memory>
#include <vector>

namespace testsupport {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

std::vector<TestFactory>& registeredTests();

struct Registrar {
    explicit Registrar(TestFactory factory) { registeredTests().push_back(std::move(factory)); }
};

}  // namespace testsupport

#define HALVANE_TEST(Class)                                                                 \
    static testsupport::Registrar registrar_##Class(                                         \
        [] { return std::unique_ptr<QObject>(new Class); })
