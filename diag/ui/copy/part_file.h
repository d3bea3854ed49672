// A file being copied: written under a hidden name of its own beside its
// final place and renamed there only when it is complete, so that a
// cancelled or failed copy never leaves a half-written file under the name
// the user will look for.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

namespace kel::diag {

class PartFile {
public:
    explicit PartFile(std::filesystem::path final);
    // Removes the hidden file unless Commit succeeded.
    ~PartFile();
    PartFile(const PartFile&) = delete;
    PartFile& operator=(const PartFile&) = delete;

    bool ok() const { return out_.is_open() && out_.good(); }
    bool Write(std::span<const std::uint8_t> bytes);
    // Closes the file and puts it in its final place (replacing what was
    // there); false when either fails.
    bool Commit();

    const std::filesystem::path& partPath() const { return part_; }

private:
    std::filesystem::path final_;
    std::filesystem::path part_;
    std::ofstream out_;
    bool committed_ = false;
};

}  // namespace kel::diag
