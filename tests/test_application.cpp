#include "test_application.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace {

QApplication* application = nullptr;

// The application ends with the tests, before the program's own statics go.
class ApplicationEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        delete application;
        application = nullptr;
    }
};

::testing::Environment* const environment =
    ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "ferrule_tests";
    static char* argv[] = {name, nullptr};
    if (application == nullptr) {
        application = new QApplication(argc, argv);
    }
    return *application;
}
