#include "diag/ui/guides.h"

#include <atomic>
#include <mutex>

#include "diag/ui/main_thread.h"
#include "diag/ui/message_context.h"
#include "diag/ui/message_dialog.h"
#include "platform/base/log.h"

namespace kel::diag {
namespace {

constexpr std::uint32_t kAllGuides = (1u << kGuideCount) - 1;

std::atomic<std::uint32_t>& flags() {
    static std::atomic<std::uint32_t> bits{kAllGuides};
    return bits;
}

struct Saver {
    std::mutex mutex;
    std::function<void()> save;
};

Saver& saver() {
    static Saver shared;
    return shared;
}

int askUser(int stringId, const std::string& text) {
    if (std::optional<int> answered = AskResponder(stringId, style::kOk, text)) {
        return *answered != 0 ? 1 : 0;
    }
    if (!HaveApplication()) {
        log::warning("MORVALE", text);
        return 0;
    }
    return RunOnMainThread([&] {
        const MessageContext context = CurrentMessageContext();
        MessageDialogWindow dialog(context.owner, QString::fromStdString(text),
                                   QString::fromStdString(context.caption), style::kOk,
                                   MessageDialogWindow::Kind::Guide);
        return dialog.exec();
    });
}

}  // namespace

std::uint32_t GuideFlags() {
    return flags().load();
}

void SetGuideFlags(std::uint32_t bits) {
    flags().store(bits & kAllGuides);
}

void SetGuideSaver(std::function<void()> saveOptions) {
    std::lock_guard lock(saver().mutex);
    saver().save = std::move(saveOptions);
}

int ShowGuide(int stringId, int guideFlag) {
    if (guideFlag < 0 || guideFlag >= kGuideCount || (GuideFlags() & (1u << guideFlag)) == 0) {
        return 0;
    }
    const int ticked = askUser(stringId, LoadResString(stringId).substr(0, kMaxMessageText));
    if (ticked == 1) {
        flags().fetch_and(~(1u << guideFlag));
        std::function<void()> save;
        {
            std::lock_guard lock(saver().mutex);
            save = saver().save;
        }
        if (save) {
            save();
        }
    }
    return ticked;
}

}  // namespace kel::diag
