#include "diag/tools/exports/text_file.h"

#include <cerrno>
#include <cstring>

#include "diag/ui/messages.h"

namespace kel::diag {

std::unique_ptr<TextFile> TextFile::Create(const std::string& name) {
    std::FILE* file = std::fopen(name.c_str(), "w");
    if (file == nullptr) {
        ShowMessage(131, name, std::strerror(errno));
        return nullptr;
    }
    return std::unique_ptr<TextFile>(new TextFile(name, file));
}

bool TextFile::Write(std::string_view text) {
    if (!problem_.empty() || file_ == nullptr) {
        return false;
    }
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        problem_ = std::strerror(errno);
        return false;
    }
    return true;
}

void TextFile::Close() {
    if (file_ == nullptr) {
        return;
    }
    if (std::fclose(file_) != 0 && problem_.empty()) {
        problem_ = std::strerror(errno);
    }
    file_ = nullptr;
    if (!problem_.empty()) {
        ShowMessage(132, name_, problem_);
    }
}

}  // namespace kel::diag
