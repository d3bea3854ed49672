// The one QApplication of a test process: the window, its fonts and the
// printer need one.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace kel::compare::testing {

// A function-local static QApplication would die in the exit handlers, after
// Qt's own globals (the input device registry among them) are gone, and its
// children's destructors would touch freed memory. The application is
// therefore deleted when the tests end, before main returns.
class ApplicationEnvironment : public ::testing::Environment {
public:
    explicit ApplicationEnvironment(QApplication* app) : app_(app) {}
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_;
};

inline QApplication& EnsureApplication() {
    static int argc = 1;
    static char name[] = "compare_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* created = new QApplication(argc, argv);
        ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment(created));
        return created;
    }();
    return *app;
}

}  // namespace kel::compare::testing
