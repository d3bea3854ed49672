#include "emu/drive/emulated_drive.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <system_error>

#include "emu/disc/loader.h"
#include "emu/drive/drive_model.h"
#include "emu/drive/medium.h"
#include "emu/drive/state_file.h"

namespace kel::emu {

namespace {

const Clock& systemClock() {
    static const SystemClock clock;
    return clock;
}

// Size and modification time of each file the disc comes from: a different
// image under the same name is a different disc.
std::string discIdentity(const std::filesystem::path& source, const Disc& disc) {
    std::string identity;
    auto add = [&identity](const std::filesystem::path& file) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(file, ec);
        const auto time = std::filesystem::last_write_time(file, ec);
        identity += std::to_string(ec ? 0 : size) + ":" +
                    std::to_string(time.time_since_epoch().count()) + ";";
    };
    add(source);
    for (const auto& file : disc.files) {
        add(file);
    }
    return identity;
}

std::optional<LoadedDrive> load(const std::filesystem::path& source, std::string& error) {
    auto loaded = loadDrive(source);
    if (auto* failure = std::get_if<LoadError>(&loaded)) {
        error = failure->text();
        return std::nullopt;
    }
    return std::move(std::get<LoadedDrive>(loaded));
}

// Serialises the threads of one process; the state file's lock serialises
// the processes. Neither wait outlasts the command's time-out.
class EmulatedTransport final : public scsi::Transport {
public:
    explicit EmulatedTransport(std::unique_ptr<DriveModel> model) : model_(std::move(model)) {}

    scsi::Result execute(std::span<const std::uint8_t> cdb, scsi::Direction direction,
                         std::span<std::uint8_t> buffer,
                         std::chrono::milliseconds timeout) override {
        using Clock = std::chrono::steady_clock;
        const Clock::time_point start = Clock::now();
        std::unique_lock lock(mutex_, std::defer_lock);
        if (!lock.try_lock_for(timeout)) {
            return heldTooLong();
        }
        const auto left =
            timeout - std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        return model_->execute(cdb, direction, buffer,
                               std::max(left, std::chrono::milliseconds::zero()));
    }

private:
    std::timed_mutex mutex_;
    std::unique_ptr<DriveModel> model_;
};

std::unique_ptr<DriveModel> openModel(const std::filesystem::path& source, std::string& error) {
    std::optional<LoadedDrive> loaded = load(source, error);
    if (!loaded) {
        return nullptr;
    }
    std::optional<StateFile> stateFile = StateFile::open(StateFile::pathFor(source), error);
    if (!stateFile) {
        return nullptr;
    }
    std::string identity = discIdentity(source, loaded->disc);
    return std::make_unique<DriveModel>(std::move(*loaded), std::move(identity),
                                        std::move(*stateFile), systemClock());
}

std::uint64_t dataBytes(const Disc& disc) {
    std::uint64_t sectors = 0;
    for (const Track& track : disc.tracks) {
        if (track.isData() && track.end > track.start) {
            sectors += static_cast<std::uint64_t>(track.end - track.start);
        }
    }
    return sectors * 2048;
}

}  // namespace

std::unique_ptr<scsi::Transport> openEmulatedDrive(const std::filesystem::path& source,
                                                   std::string& error) {
    std::unique_ptr<DriveModel> model = openModel(source, error);
    if (!model) {
        return nullptr;
    }
    return std::make_unique<EmulatedTransport>(std::move(model));
}

std::unique_ptr<scsi::Transport> openEmptyDrive() {
    return std::make_unique<EmulatedTransport>(
        std::make_unique<DriveModel>(LoadedDrive{}, std::string(), std::nullopt, systemClock()));
}

std::optional<MediumView> emulatedMedium(const std::filesystem::path& source, std::string& error) {
    std::optional<LoadedDrive> loaded = load(source, error);
    if (!loaded) {
        return std::nullopt;
    }
    std::optional<StateFile> stateFile = StateFile::open(StateFile::pathFor(source), error);
    if (!stateFile) {
        return std::nullopt;
    }
    std::optional<DriveState> state =
        stateFile->read(DriveModel::freshState(discIdentity(source, loaded->disc)), error);
    if (!state) {
        return std::nullopt;
    }
    MediumView view;
    view.trayOpen = state->trayOpen;
    view.discPresent = discPresent(loaded->disc);
    if (view.discPresent && !view.trayOpen) {
        const DriveDescription& drive = loaded->drive;
        if (!drive.mountedFolder.empty()) {
            std::error_code ec;
            view.mountedFolder = std::filesystem::absolute(
                drive.mountedFolder.is_relative() ? source.parent_path() / drive.mountedFolder
                                                  : drive.mountedFolder,
                ec);
        }
        view.volumeLabel = drive.volumeLabel;
        view.totalBytes = dataBytes(loaded->disc);
    }
    return view;
}

std::optional<std::string> resetEmulatedDrive(const std::filesystem::path& source) {
    std::string error;
    std::unique_ptr<DriveModel> model = openModel(source, error);
    if (!model) {
        return error;
    }
    return model->reset();
}

}  // namespace kel::emu
