// The one QApplication of a scan test process.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>

namespace kel::diag::testing {

// A function-local static QApplication would die in the exit handlers,
// after Qt's own globals are gone; it is deleted when the tests end instead.
class ScanApplicationEnvironment : public ::testing::Environment {
public:
    explicit ScanApplicationEnvironment(QApplication* app) : app_(app) {}
    void TearDown() override {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_;
};

inline QApplication& ScanTestApp() {
    static int argc = 1;
    static char name[] = "diag_scan_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        auto* created = new QApplication(argc, argv);
        ::testing::AddGlobalTestEnvironment(new ScanApplicationEnvironment(created));
        return created;
    }();
    return *app;
}

}  // namespace kel::diag::testing
