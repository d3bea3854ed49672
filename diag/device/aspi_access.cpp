#include "diag/device/aspi_access.h"

#include <mutex>

#include "diag/device/aspi_device.h"
#include "diag/tools/format_text.h"
#include "platform/aspi/aspi_requests.h"
#include "platform/aspi/manager_library.h"
#include "platform/base/paths.h"

namespace kel::diag {

namespace {

constexpr std::size_t kMaxStatusText = 80;

struct LoadedState {
    std::mutex mutex;
    std::shared_ptr<const AspiAccess> access;
};

LoadedState& loaded() {
    static LoadedState state;
    return state;
}

int statusTextId(std::uint8_t status) {
    switch (status) {
        case aspi::SS_NO_ASPI:
            return 3002;
        case aspi::SS_MISMATCHED_COMPONENTS:
        case aspi::SS_BAD_INSTALL:
            return 3000;
        case aspi::SS_NO_ADAPTERS:
            return 3001;
        default:
            return 3003;
    }
}

}  // namespace

std::shared_ptr<AspiAccess> ConnectAspi(AspiManagerEntries manager, StringSource strings,
                                        const MessageCallback& messages) {
    std::uint32_t support = manager.GetASPI32SupportInfo();
    auto status = static_cast<std::uint8_t>(support >> 8);
    if (status != aspi::SS_COMP) {
        std::optional<std::string> text = strings ? strings(statusTextId(status)) : std::nullopt;
        const FormatArg args[] = {status};
        std::string explained =
            FormatText(text.value_or("").substr(0, kMaxStatusText), args, kMaxStatusText);
        if (messages) {
            messages(DeviceMessage{3005, MessageButtons::Ok, {explained}});
        }
        return nullptr;
    }
    auto access = std::make_shared<AspiAccess>();
    access->manager = std::move(manager);
    access->adapterCount = static_cast<int>(support & 0xFF);
    access->clock = systemWaitClock();
    access->strings = std::move(strings);
    return access;
}

std::filesystem::path DefaultAspiManager() {
    return paths::programDir() / aspi::kManagerFileName;
}

bool LoadAspi(StringSource strings, const MessageCallback& messages,
              const std::filesystem::path& manager) {
    auto fail = [&](const std::string& reason) {
        if (messages) {
            messages(DeviceMessage{3004, MessageButtons::Ok, {reason}});
        }
        return false;
    };
    std::string error;
    std::shared_ptr<const aspi::ManagerLibrary> library =
        aspi::ManagerLibrary::load(manager, error);
    if (!library) {
        return fail(error);
    }
    // Neither entry point is called unless both are there.
    auto supportInfo =
        reinterpret_cast<aspi::SupportInfoEntry>(library->entry(aspi::kSupportInfoEntry, error));
    auto sendCommand = supportInfo ? reinterpret_cast<aspi::SendCommandEntry>(
                                         library->entry(aspi::kSendCommandEntry, error))
                                   : nullptr;
    if (!supportInfo || !sendCommand) {
        return fail(error);
    }
    std::shared_ptr<AspiAccess> access =
        ConnectAspi(AspiManagerEntries{supportInfo, sendCommand}, std::move(strings), messages);
    if (!access) {
        return false;
    }
    access->modulePath = library->path();
    access->version = library->version();
    access->library = std::move(library);
    std::lock_guard lock(loaded().mutex);
    loaded().access = std::move(access);
    return true;
}

void UnloadAspi() {
    std::lock_guard lock(loaded().mutex);
    loaded().access.reset();
}

std::shared_ptr<const AspiAccess> LoadedAspi() {
    std::lock_guard lock(loaded().mutex);
    return loaded().access;
}

AspiBackend MakeAspiBackend(StringSource strings, std::filesystem::path manager) {
    return AspiBackend{
        [strings = std::move(strings), manager = std::move(manager)](
            const MessageCallback& messages) { return LoadAspi(strings, messages, manager); },
        UnloadAspi,
        []() -> std::unique_ptr<CdDevice> {
            std::shared_ptr<const AspiAccess> access = LoadedAspi();
            return access ? std::make_unique<AspiDevice>(std::move(access)) : nullptr;
        }};
}

}  // namespace kel::diag
