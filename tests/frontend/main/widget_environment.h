// The one QApplication of a window test process, on Qt's offscreen platform,
// with its own link and runtime folders; and a way to answer the modal boxes
// and dialogs that handlers open.
#pragma once

#include <QApplication>
#include <QString>
#include <chrono>
#include <functional>

#include "tests/frontend/common/link_environment.h"
#include "tests/frontend/common/temp_folder.h"

namespace kel::frontend::testing {

class WidgetEnvironment {
public:
    static WidgetEnvironment& get();
    const TempFolder& folder() const { return folder_; }

private:
    WidgetEnvironment();
    TempFolder folder_;
    // Never destroyed: tearing Qt's input devices down in the exit handlers
    // crashes, and the process ends right after anyway.
    QApplication* app_ = nullptr;
};

// Runs `act` on the next modal window that opens (within a few seconds) and
// gives it the window. Returns at once: call before the handler that opens it.
void OnNextModal(std::function<void(QWidget&)> act);
// Drops every OnNextModal still waiting. A case calls it as it ends: a wait
// it left (its window never opened) would act on a later case's window with
// references into the case that is gone.
void ForgetPendingModals();

// The text of a message box, empty for other windows.
QString MessageText(QWidget& window);

}  // namespace kel::frontend::testing
