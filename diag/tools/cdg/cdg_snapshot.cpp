#include "diag/tools/cdg/cdg_snapshot.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "diag/tools/format_text.h"
#include "diag/ui/dialog_stand_in.h"
#include "diag/ui/file_dialog.h"
#include "diag/ui/messages.h"

namespace kel::diag {
namespace {

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::size_t kInfoHeaderBytes = 40;
// The name's three digits run out here.
constexpr int kLastSnapshotNumber = 999;
constexpr std::size_t kPixelOffset = kFileHeaderBytes + kInfoHeaderBytes + kCdgColours * 4;  // 118

DialogStandIn<SnapshotNameDialog>& standIn() {
    static DialogStandIn<SnapshotNameDialog> s;
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

std::string runDialog() {
    FileDialogRequest request;
    request.title = LoadResString(1005);
    request.filter = FileDialogFilter(LoadFilterString(2003));
    request.defaultSuffix = "BMP";
    return RunFileDialog(request);
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
    const SnapshotNameDialog dialog = standIn().get();
    return dialog ? dialog() : runDialog();
}

void SetSnapshotNameDialog(SnapshotNameDialog dialog) {
    standIn().set(std::move(dialog));
}

bool SaveSnapshotBmp(std::string_view chosen, int& number,
                     std::span<const std::uint8_t, kCdgColours * 4> palette,
                     std::span<const std::uint8_t, kCdgPixels> bottomUpPixels) {
    for (;;) {
        const std::string path = SnapshotFileName(chosen, ++number);
        // Created only where no file stands: shots of an earlier playback
        // under the same name keep their numbers.
        std::FILE* file = std::fopen(path.c_str(), "wbx");
        if (file != nullptr) {
            return WriteSnapshotBmp(file, path, palette, bottomUpPixels);
        }
        if (errno != EEXIST || number >= kLastSnapshotNumber) {
            ShowMessage(131, path, std::strerror(errno));
            return false;
        }
    }
}

bool WriteSnapshotBmp(std::FILE* file, const std::string& path,
                      std::span<const std::uint8_t, kCdgColours * 4> palette,
                      std::span<const std::uint8_t, kCdgPixels> bottomUpPixels) {
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
