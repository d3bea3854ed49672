// A text file that an export writes: failures to create it or to write it
// are told to the user, so that a cut-off file is never taken for a whole
// one.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace kel::diag {

class TextFile {
public:
    // Creates (or empties) the file; null after message 131.
    static std::unique_ptr<TextFile> Create(const std::string& name);
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;
    ~TextFile() { Close(); }

    // False once a write has failed; later writes do nothing.
    bool Write(std::string_view text);
    // Closes the file; message 132 when a write or the close failed.
    void Close();

private:
    TextFile(std::string name, std::FILE* file) : name_(std::move(name)), file_(file) {}

    std::string name_;
    std::FILE* file_ = nullptr;
    std::string problem_;
};

}  // namespace kel::diag
