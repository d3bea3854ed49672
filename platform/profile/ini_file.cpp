#include "ini_file.h"

#include <sys/stat.h>

#include <string>

#include "lenient_integer.h"
#include "platform/base/log.h"
#include "replace_lock.h"
#include "whole_file.h"

namespace kel::profile {
namespace {

constexpr std::string_view kComponent = "profile";
// Far beyond any settings file; a bigger one is not ours to load.
constexpr std::size_t kMaxFileBytes = 4 * 1024 * 1024;
constexpr unsigned kNewFileMode = 0644;

}  // namespace

IniFile::IniFile(std::filesystem::path file) : file_(std::move(file)) {}

bool IniFile::refresh(bool force) const {
    Version now;
    struct stat st {};
    if (::stat(file_.c_str(), &st) == 0) {
        now = Version{true, st.st_dev, st.st_ino, static_cast<unsigned long long>(st.st_size),
                      st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec};
    }
    if (!force && loaded_ == now) {
        return readable_;
    }
    loaded_ = now;
    std::error_code error;
    std::optional<std::string> text = readWholeFile(file_, kMaxFileBytes, error);
    readable_ = !error;
    if (error) {
        log::warning(kComponent, file_.string() + ": cannot read: " + error.message());
    }
    document_ =
        IniDocument::parse(text.value_or(""), [this](std::size_t line, std::string_view reason) {
            log::warning(kComponent, file_.string() + ":" + std::to_string(line) + ": " +
                                         std::string(reason) + "; line ignored");
        });
    return readable_;
}

bool IniFile::change(const std::function<bool(IniDocument&)>& edit, bool createsFile) {
    std::error_code missing;
    if (!createsFile && !std::filesystem::exists(file_, missing) && !missing) {
        return true;  // nothing to erase, and no empty file to leave behind
    }
    ReplaceLock lock(file_, kNewFileMode);
    std::error_code error = lock.error();
    // A file we could not read is not rewritten: that would lose it.
    if (!error && refresh(true) && edit(document_)) {
        error = replaceWholeFile(file_, document_.serialize(), kNewFileMode);
    }
    loaded_.reset();  // whatever happened, the next read looks at the disk again
    if (error) {
        log::warning(kComponent, file_.string() + ": cannot write: " + error.message());
    }
    return !error && readable_;
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    refresh(false);
    return document_.value(section, key).value_or(std::string(fallback));
}

int IniFile::readInteger(std::string_view section, std::string_view key, int fallback) const {
    refresh(false);
    std::optional<std::string> text = document_.value(section, key);
    return text ? parseLenientInteger(*text).value_or(fallback) : fallback;
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool fallback) const {
    return readInteger(section, key, fallback ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::sections() const {
    refresh(false);
    return document_.sectionNames();
}

std::vector<std::string> IniFile::keys(std::string_view section) const {
    refresh(false);
    return document_.keyNames(section);
}

bool IniFile::writeString(std::string_view section, std::string_view key, std::string_view value) {
    if (!IniDocument::isValidSectionName(section) || !IniDocument::isValidKeyName(key) ||
        !IniDocument::isValidValue(value)) {
        log::warning(kComponent, file_.string() + ": cannot hold [" + std::string(section) + "] " +
                                     std::string(key) + " in one line; not written");
        return false;
    }
    return change(
        [&](IniDocument& document) {
            document.setValue(section, key, value);
            return true;
        },
        true);
}

bool IniFile::writeInteger(std::string_view section, std::string_view key, int value) {
    return writeString(section, key, std::to_string(value));
}

bool IniFile::writeBool(std::string_view section, std::string_view key, bool value) {
    return writeString(section, key, value ? "1" : "0");
}

bool IniFile::eraseKey(std::string_view section, std::string_view key) {
    return change([&](IniDocument& document) { return document.eraseKey(section, key); }, false);
}

bool IniFile::eraseSection(std::string_view section) {
    return change([&](IniDocument& document) { return document.eraseSection(section); }, false);
}

}  // namespace kel::profile
