#include "diag/device/device_database.h"

#include <mutex>
#include <optional>
#include <string>
#include <system_error>

#include "diag/device/device_database_text.h"
#include "platform/profile/replace_lock.h"
#include "platform/profile/whole_file.h"

namespace kel::diag {

namespace {

constexpr std::size_t kMaxDatabaseBytes = 4 * 1024 * 1024;
constexpr unsigned kDatabaseMode = 0644;

std::mutex& nameMutex() {
    static std::mutex mutex;
    return mutex;
}

struct DatabaseNames {
    std::filesystem::path file;
    std::filesystem::path installed;
};

DatabaseNames& databaseNames() {
    static DatabaseNames names;
    return names;
}

DatabaseNames currentNames() {
    std::lock_guard lock(nameMutex());
    return databaseNames();
}

void show(const DeviceProfile& profile, int id, std::vector<MessageValue> args) {
    if (profile.errorCallback) {
        profile.errorCallback(DeviceMessage{id, MessageButtons::Ok, std::move(args)});
    }
}

void showConstructionError(const DeviceProfile& profile, const DatabaseError& error) {
    show(profile, 3201, {error.nearText, error.forName});
}

// The file's text; a missing file reads as empty.
std::optional<std::string> readDatabaseFile(const DeviceProfile& profile,
                                            const std::filesystem::path& file) {
    std::error_code error;
    bool opened = false;
    std::optional<std::string> text =
        profile::readWholeFile(file, kMaxDatabaseBytes, error, &opened);
    if (text) {
        return text;
    }
    if (!error) {
        return std::string();
    }
    if (!opened) {
        show(profile, 3203, {file.string(), error.message()});
    } else if (error == std::errc::file_too_large) {
        show(profile, 3206, {});
    } else {
        show(profile, 3205, {file.string()});
    }
    return std::nullopt;
}

// The database's text: the installed one's while the database has none (an
// update's lock leaves an empty file where there was none).
std::optional<std::string> readDatabase(const DeviceProfile& profile, const DatabaseNames& names) {
    std::optional<std::string> text = readDatabaseFile(profile, names.file);
    if (text && text->empty() && !names.installed.empty()) {
        return readDatabaseFile(profile, names.installed);
    }
    return text;
}

// The update is written beside the database under the same name with the
// ending "$$$", where it stays when it cannot take the database's place.
std::filesystem::path temporaryName(const std::filesystem::path& file) {
    std::filesystem::path temporary = file;
    return temporary.replace_extension("$$$");
}

// The new text in place of the database; false when the database is as it
// was. A rename that fails still counts: the update waits in the temporary
// file, and the user is told how to put it in place.
bool replaceDatabase(const DeviceProfile& profile, const std::filesystem::path& file,
                     const std::string& text) {
    const std::filesystem::path temporary = temporaryName(file);
    const profile::ReplaceResult result =
        profile::replaceFileThrough(file, temporary, text, kDatabaseMode);
    switch (result.step) {
        case profile::ReplaceStep::Done:
            return true;
        case profile::ReplaceStep::Create:
            show(profile, 3204, {temporary.string(), result.error.message()});
            return false;
        case profile::ReplaceStep::Write:
            show(profile, 3207, {temporary.string(), result.error.message()});
            return false;
        case profile::ReplaceStep::Rename:
            show(profile, 3202, {temporary.string(), file.string()});
            return true;
    }
    return false;
}

}  // namespace

void SetDatabaseFileName(const std::filesystem::path& file,
                         const std::filesystem::path& installed) {
    std::lock_guard lock(nameMutex());
    databaseNames() = {file, installed == file ? std::filesystem::path() : installed};
}

std::filesystem::path DatabaseFileName() {
    return currentNames().file;
}

bool LoadProfile(DeviceProfile& profile) {
    const DatabaseNames names = currentNames();
    if (names.file.empty()) {
        return true;
    }
    std::optional<std::string> text = readDatabase(profile, names);
    if (!text) {
        return false;
    }
    if (std::optional<DatabaseError> error = loadProfileText(*text, profile)) {
        showConstructionError(profile, *error);
        return false;
    }
    return true;
}

bool UpdateDatabase(const DeviceProfile& profile) {
    const DatabaseNames names = currentNames();
    const std::filesystem::path& file = names.file;
    if (file.empty()) {
        return false;
    }
    profile::ReplaceLock lock(file, kDatabaseMode);
    if (!lock.held()) {
        show(profile, 3204, {file.string(), lock.error().message()});
        return false;
    }
    std::optional<std::string> text = readDatabase(profile, names);
    if (!text) {
        return false;
    }
    auto updated = updatedDatabaseText(*text, profile);
    if (auto* error = std::get_if<DatabaseError>(&updated)) {
        showConstructionError(profile, *error);
        return false;
    }
    return replaceDatabase(profile, file, std::get<std::string>(updated));
}

}  // namespace kel::diag
