#include "diag/fs/treefile/directory_tree_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "diag/disc/track_info.h"
#include "diag/fs/treefile/tree_file_dialog.h"
#include "diag/fs/treefile/tree_file_format.h"
#include "diag/fs/treefile/tree_file_install.h"
#include "diag/fs/treefile/tree_file_reader.h"
#include "diag/fs/treefile/tree_file_writer.h"
#include "diag/ui/messages.h"

namespace kel::diag {

namespace {

// Far beyond any disc's trees; a larger file is not one of ours.
constexpr std::uintmax_t kMaxTreeFileBytes = 256u << 20;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool HaveDirectoryTrees() {
    for (const TrackInfo* t = Tracks().first; t != nullptr; t = t->next) {
        if (t->root != nullptr) {
            return true;
        }
    }
    return false;
}

// The whole file, or the reason it could not be read.
std::variant<std::vector<std::uint8_t>, std::string> ReadWholeFile(std::FILE* file) {
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > kMaxTreeFileBytes) {
            return std::string("The file is too large for a directory file.");
        }
        if (got < sizeof chunk) {
            break;
        }
    }
    if (std::ferror(file)) {
        return std::string(std::strerror(errno));
    }
    return bytes;
}

}  // namespace

void SaveDirectoryTree() {
    if (!HaveDirectoryTrees()) {
        ShowMessage(181);
        return;
    }
    const std::string name = tree_file::AskTreeFileName(true);
    if (name.empty()) {
        return;
    }
    File file(std::fopen(name.c_str(), "wb"));
    if (!file) {
        ShowMessage(131, name, std::strerror(errno));
        return;
    }
    const tree_file::TreeFileImage image = tree_file::BuildTreeFile(Tracks());
    std::string problem = image.problem;
    if (problem.empty() &&
        (std::fwrite(image.bytes.data(), 1, image.bytes.size(), file.get()) != image.bytes.size() ||
         std::fflush(file.get()) != 0)) {
        problem = std::strerror(errno);
    }
    if (std::fclose(file.release()) != 0 && problem.empty()) {
        problem = std::strerror(errno);
    }
    if (!problem.empty()) {
        ShowMessage(132, name, problem);
        std::error_code ignored;
        std::filesystem::remove(name, ignored);
        return;
    }
    if (image.linkMissing) {
        ShowMessage(243, std::filesystem::path(__FILE__).filename().string(), __LINE__);
    }
}

void LoadDirectoryTree() {
    const std::string name = tree_file::AskTreeFileName(false);
    if (name.empty()) {
        return;
    }
    File file(std::fopen(name.c_str(), "rb"));
    if (!file) {
        ShowMessage(101, name, std::strerror(errno));
        return;
    }
    auto bytes = ReadWholeFile(file.get());
    file.reset();
    if (auto* problem = std::get_if<std::string>(&bytes)) {
        ShowMessage(245, name, *problem);
        return;
    }
    auto parsed = tree_file::ParseTreeFile(std::get<std::vector<std::uint8_t>>(bytes));
    if (auto* problem = std::get_if<std::string>(&parsed)) {
        ShowMessage(245, name, *problem);
        return;
    }
    const tree_file::LoadedTreeFile& loaded = std::get<tree_file::LoadedTreeFile>(parsed);
    if (loaded.discSignature != tree_file::DiscSignature(Tracks()) &&
        ShowMessage(MessageArg(244, style::kYesNo | style::kSecondDefault)) != answer::kYes) {
        return;
    }
    tree_file::InstallTreeFile(loaded);
}

}  // namespace kel::diag
