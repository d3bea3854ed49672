#include "link_environment.h"

#include <QThread>
#include <cstdlib>

namespace kel::frontend::testing {
namespace {

int argc = 1;
char programName[] = "frontend_test";
char* argv[] = {programName, nullptr};

}  // namespace

LinkEnvironment& LinkEnvironment::get() {
    static LinkEnvironment environment;
    return environment;
}

LinkEnvironment::LinkEnvironment() {
    ::setenv("KEL_LINK_DIR", (folder_.path() / "link").c_str(), 1);
    ::setenv("KEL_RUNTIME_DIR", (folder_.path() / "run").c_str(), 1);
    app_ = std::make_unique<QCoreApplication>(argc, argv);
}

bool processEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done() && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return done();
}

}  // namespace kel::frontend::testing
