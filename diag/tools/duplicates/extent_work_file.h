// The overlap pass's work file: a disc may hold far more extents than the
// pass wants to keep in memory while it walks the tree, so the records go
// to a temporary file first and come back in one piece.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "diag/disc/track_info.h"

namespace kel::diag {

class ExtentWorkFile {
public:
    // Creates a new file in the TempPath folder (or the fallback name when
    // no name can be made there); null after message 131.
    static std::unique_ptr<ExtentWorkFile> Create();
    ExtentWorkFile(const ExtentWorkFile&) = delete;
    ExtentWorkFile& operator=(const ExtentWorkFile&) = delete;
    // Closes and deletes the file.
    ~ExtentWorkFile();

    const std::string& name() const { return name_; }
    // False when the record could not be written; the reason is logged in
    // debug mode.
    bool Append(const ExtentEntry& record);

    // Every record written, in a block from the tracked allocator (null
    // for none); false when they could not be read back.
    struct Records {
        ExtentEntry* table = nullptr;
        std::int32_t count = 0;
    };
    bool ReadAll(Records& records);

private:
    ExtentWorkFile(std::string name, std::FILE* file) : name_(std::move(name)), file_(file) {}

    std::string name_;
    std::FILE* file_ = nullptr;
};

}  // namespace kel::diag
