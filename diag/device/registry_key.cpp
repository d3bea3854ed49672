#include "diag/device/registry_key.h"

#include <algorithm>
#include <mutex>

#include "diag/device/version_info.h"

namespace kel::diag {

namespace {

struct RememberedNames {
    std::mutex mutex;
    std::string product;
    std::string company;
};

RememberedNames& remembered() {
    static RememberedNames names;
    return names;
}

std::string capped(std::string_view text) {
    return std::string(text.substr(0, RegistryKey::kMaxRememberedName));
}

}  // namespace

RegistryKey::RegistryKey() {
    std::lock_guard lock(remembered().mutex);
    remembered().company.clear();
}

bool RegistryKey::Open(std::string_view product, std::string_view company) {
    std::string keyProduct;
    std::string keyCompany;
    {
        RememberedNames& names = remembered();
        std::lock_guard lock(names.mutex);
        if (!product.empty() && names.product.empty()) {
            names.product = capped(product);
        }
        keyProduct = product.empty() ? names.product : std::string(product);
        if (company.empty() && names.company.empty()) {
            names.company = capped(version_info::kCompanyName);
        } else if (!company.empty()) {
            names.company = capped(company);
        }
        keyCompany = company.empty() ? names.company : std::string(company);
    }
    Close();
    if (keyCompany.empty() || keyProduct.empty()) {
        return false;
    }
    const bool machine = keyProduct.front() == '.';
    const registry::Root root =
        machine ? registry::Root::LocalMachine : registry::Root::CurrentUser;
    const std::string path = machine ? "SOFTWARE\\" + keyCompany + "\\" + keyProduct.substr(1)
                                     : "Software\\" + keyCompany + "\\" + keyProduct;
    registry::Result<registry::Key> key = registry::Key::create(root, path);
    // The registry sets a corrupt file aside and starts that root afresh:
    // the key made again there keeps this run's settings.
    if (!key && key.status() == registry::Status::Corrupt) {
        key = registry::Key::create(root, path);
    }
    if (key) {
        key_ = std::move(key).value();
    }
    return isOpen();
}

bool RegistryKey::OpenExisting(registry::Root hive, std::string_view path) {
    Close();
    registry::Result<registry::Key> key = registry::Key::openExisting(hive, path);
    if (key) {
        key_ = std::move(key).value();
    }
    return isOpen();
}

std::string RegistryKey::ReadString(std::string_view name, std::string_view fallback) const {
    std::optional<std::string> text = key_ ? key_->readString(name) : std::nullopt;
    if (!text || text->size() + 1 > kMaxStringBytes) {
        return std::string(fallback);
    }
    return *text;
}

void RegistryKey::WriteString(std::string_view name, std::string_view text) const {
    if (key_) {
        key_->writeString(name, text);
    }
}

std::uint32_t RegistryKey::ReadDword(std::string_view name, std::uint32_t fallback) const {
    std::optional<std::uint32_t> value = key_ ? key_->readDword(name) : std::nullopt;
    return value.value_or(fallback);
}

bool RegistryKey::ReadBool(std::string_view name, bool fallback) const {
    return ReadDword(name, fallback ? 1 : 0) != 0;
}

void RegistryKey::WriteDword(std::string_view name, std::uint32_t value) const {
    if (key_) {
        key_->writeDword(name, value);
    }
}

void RegistryKey::WriteBool(std::string_view name, bool flag) const {
    WriteDword(name, flag ? 1 : 0);
}

std::size_t RegistryKey::ReadBinary(std::string_view name, std::span<std::uint8_t> buffer) const {
    std::optional<std::vector<std::uint8_t>> bytes = key_ ? key_->readBinary(name) : std::nullopt;
    if (!bytes) {
        return 0;
    }
    std::copy_n(bytes->begin(), std::min(bytes->size(), buffer.size()), buffer.begin());
    return bytes->size();
}

void RegistryKey::Delete(std::string_view name) const {
    if (!key_) {
        return;
    }
    if (!name.empty() && name.front() == '\\') {
        name.remove_prefix(1);
        key_->deleteSubkeyTree(name);
    }
    key_->deleteValue(name);
}

int RegistryKey::EnumValue(std::size_t index, std::string& name) const {
    if (!key_) {
        return 0;
    }
    registry::Result<std::string> found = key_->valueNameAt(index);
    if (!found) {
        return found.status() == registry::Status::EndOfList ? 0
                                                             : -static_cast<int>(found.status());
    }
    name = found.value();
    return static_cast<int>(name.size());
}

}  // namespace kel::diag
