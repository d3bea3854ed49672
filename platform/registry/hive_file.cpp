#include "hive_file.h"

#include <cstdlib>
#include <string>
#include <system_error>

#include "hive_format.h"
#include "platform/base/log.h"
#include "platform/base/paths.h"
#include "platform/profile/replace_lock.h"
#include "platform/profile/whole_file.h"

namespace kel::registry {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kComponent = "registry";
// Room for many values of the largest size; beyond that the file is not ours.
constexpr std::size_t kMaxFileBytes = 256 * 1024 * 1024;
constexpr unsigned kFileMode = 0600;
constexpr int kMaxAsideNames = 100;

std::string_view baseName(Root root) {
    return root == Root::CurrentUser ? "current-user" : "local-machine";
}

// The root's file, locked; the registry folder is made on first use.
class RootLock {
public:
    explicit RootLock(Root root) : file_(hiveFilePath(root)), lock_(prepare(file_), kFileMode) {
        if (!lock_.held()) {
            log::warning(kComponent, file_.string() + ": cannot lock: " + lock_.error().message());
        }
    }
    bool held() const { return lock_.held(); }

private:
    static const fs::path& prepare(const fs::path& file) {
        std::error_code ec;
        if (fs::create_directories(file.parent_path(), ec)) {
            fs::permissions(file.parent_path(), fs::perms::owner_all, ec);
        }
        return file;
    }

    fs::path file_;
    profile::ReplaceLock lock_;
};

void setAside(const fs::path& file, const FormatError& error) {
    std::string where = file.string() + ":" + std::to_string(error.line) + ": " + error.message;
    for (int n = 0; n < kMaxAsideNames; ++n) {
        fs::path aside = file;
        aside += n == 0 ? std::string(".corrupt") : ".corrupt-" + std::to_string(n);
        std::error_code ec;
        if (fs::exists(aside, ec) || ec) {
            continue;
        }
        fs::rename(file, aside, ec);
        if (!ec) {
            log::warning(kComponent,
                         where + "; file kept as " + aside.string() + ", the root starts empty");
            return;
        }
        log::warning(kComponent, where + "; cannot rename it aside: " + ec.message());
        return;
    }
    log::warning(kComponent, where + "; too many corrupt files kept already, left in place");
}

// The tree in the root's file, and the file's text; the caller holds the lock.
Status load(Root root, KeyNode& tree, std::string& text) {
    fs::path file = hiveFilePath(root);
    std::error_code ec;
    std::optional<std::string> bytes = profile::readWholeFile(file, kMaxFileBytes, ec);
    if (ec) {
        log::warning(kComponent, file.string() + ": cannot read: " + ec.message());
        return Status::IoError;
    }
    text = bytes.value_or("");
    FormatError error;
    std::optional<KeyNode> parsed = parseHive(text, error);
    if (!parsed) {
        setAside(file, error);
        return Status::Corrupt;
    }
    tree = std::move(*parsed);
    return Status::Ok;
}

}  // namespace

fs::path registryDir() {
    const char* overridden = std::getenv("KEL_REGISTRY_DIR");
    if (overridden && *overridden) {
        return overridden;
    }
    return paths::configDir() / "registry";
}

fs::path hiveFilePath(Root root) {
    return registryDir() / (std::string(baseName(root)) + ".reg");
}

Status readHive(Root root, const std::function<Status(const KeyNode&)>& use) {
    RootLock lock(root);
    if (!lock.held()) {
        return Status::IoError;
    }
    KeyNode tree;
    std::string text;
    Status status = load(root, tree, text);
    return status == Status::Ok ? use(tree) : status;
}

Status modifyHive(Root root, const std::function<Status(KeyNode&)>& change) {
    RootLock lock(root);
    if (!lock.held()) {
        return Status::IoError;
    }
    KeyNode tree;
    std::string text;
    if (Status status = load(root, tree, text); status != Status::Ok) {
        return status;
    }
    if (Status status = change(tree); status != Status::Ok) {
        return status;
    }
    std::string updated = serializeHive(tree);
    if (updated == text) {
        return Status::Ok;
    }
    fs::path file = hiveFilePath(root);
    if (std::error_code ec = profile::replaceWholeFile(file, updated, kFileMode)) {
        log::warning(kComponent, file.string() + ": cannot write: " + ec.message());
        return Status::IoError;
    }
    return Status::Ok;
}

}  // namespace kel::registry
