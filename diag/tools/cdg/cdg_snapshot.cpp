#include "diag/tools/cdg/cdg_snapshot.h"

#include <QApplication>
#include <QFileDialog>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include "diag/tools/format_text.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
constexpr std::size_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes + kCdgColours * 4;  // 118

struct DialogSeam {
    std::mutex mutex;
    SnapshotNameDialog dialog;
};

DialogSeam& seam() {
    static DialogSeam s;
    return s;
}

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(std::uint8_t(value));
    out.push_back(std::uint8_t(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    put16(out, std::uint16_t(value));
    put16(out, std::uint16_t(value >> 16));
}

std::vector<std::uint8_t> bitmapHeaders() {
    std::vector<std::uint8_t> out = {'B', 'M'};
    put32(out, std::uint32_t(kPixelOffset + kCdgPixels));
    put32(out, 0);  // two reserved words
    put32(out, std::uint32_t(kPixelOffset));
    put32(out, std::uint32_t(kInfoHeaderBytes));
    put32(out, std::uint32_t(kCdgWidth));
    put32(out, std::uint32_t(kCdgHeight));  // positive: bottom row first
    put16(out, 1);                          // planes
    put16(out, 8);                          // bits per pixel
    put32(out, 0);                          // no compression
    put32(out, 0);                          // image size, may be 0 uncompressed
    put32(out, 0);                          // pixels per metre
    put32(out, 0);
    put32(out, std::uint32_t(kCdgColours));  // colours used
    put32(out, 0);                           // colours important
    return out;
}

// The string table's "Name!*.ext" pair as a dialog filter.
QString dialogFilter() {
    const std::string pairs = LoadFilterString(2003);
    const std::string name = pairs.c_str();
    const std::string pattern =
        name.size() < pairs.size() ? std::string(pairs.c_str() + name.size() + 1) : "*.*";
    return QString::fromStdString(name + " (" + pattern + ")");
}

std::string runDialog() {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(LoadResString(1005)));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(dialogFilter());
    dialog.setDefaultSuffix("BMP");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front().toStdString();
}

}  // namespace

std::string SnapshotFileName(std::string_view chosen, int number) {
    constexpr std::string_view kExtension = ".BMP";
    if (chosen.size() >= kExtension.size() &&
        std::equal(
            kExtension.begin(), kExtension.end(), chosen.end() - kExtension.size(),
            [](char a, char b) { return a == std::toupper(static_cast<unsigned char>(b)); })) {
        chosen.remove_suffix(kExtension.size());
    }
    const FormatArg args[] = {number};
    return std::string(chosen) + FormatText("%03d.BMP", args, 16);
}

std::string AskSnapshotName() {
    SnapshotNameDialog dialog;
    {
        std::lock_guard lock(seam().mutex);
        dialog = seam().dialog;
    }
    return dialog ? dialog() : runDialog();
}

void SetSnapshotNameDialog(SnapshotNameDialog dialog) {
    std::lock_guard lock(seam().mutex);
    seam().dialog = std::move(dialog);
}

bool WriteSnapshotBmp(const std::string& path,
                      std::span<const std::uint8_t, kCdgColours * 4> palette,
                      std::span<const std::uint8_t, kCdgPixels> bottomUpPixels) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        ShowMessage(131, path, std::strerror(errno));
        return false;
    }
    std::vector<std::uint8_t> bytes = bitmapHeaders();
    bytes.insert(bytes.end(), palette.begin(), palette.end());
    bytes.insert(bytes.end(), bottomUpPixels.begin(), bottomUpPixels.end());
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    if (std::fclose(file) == 0 && written) {
        return true;
    }
    ShowMessage(132, path, std::strerror(written ? errno : writeError));
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return false;
}

}  // namespace kel::diag
