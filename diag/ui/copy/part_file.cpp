#include "diag/ui/copy/part_file.h"

#include <string>
#include <system_error>

namespace kel::diag {

PartFile::PartFile(std::filesystem::path final) : final_(std::move(final)) {
    const std::string base = "." + final_.filename().string() + ".part";
    std::error_code error;
    // Never over a file of the user's that happens to have such a name.
    for (int n = 0;; ++n) {
        part_ = final_.parent_path() / (n == 0 ? base : base + std::to_string(n));
        if (!std::filesystem::exists(std::filesystem::symlink_status(part_, error))) {
            break;
        }
    }
    out_.open(part_, std::ios::binary | std::ios::trunc);
}

PartFile::~PartFile() {
    if (!committed_) {
        out_.close();
        std::error_code error;
        std::filesystem::remove(part_, error);
    }
}

bool PartFile::Write(std::span<const std::uint8_t> bytes) {
    out_.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return ok();
}

bool PartFile::Commit() {
    out_.close();
    if (out_.fail()) {
        return false;
    }
    std::error_code error;
    std::filesystem::rename(part_, final_, error);
    committed_ = !error;
    return committed_;
}

}  // namespace kel::diag
