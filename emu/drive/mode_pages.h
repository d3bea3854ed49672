// The mode pages this drive has in its personality: their default,
// changeable and current values. Current values of changeable pages live in
// the shared state, so that what one program writes another reads back.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "emu/drive/command.h"

namespace kel::emu {

namespace page {
inline constexpr std::uint8_t kErrorRecovery = 0x01;
inline constexpr std::uint8_t kCdParameters = 0x0D;
inline constexpr std::uint8_t kAudioControl = 0x0E;
inline constexpr std::uint8_t kCapabilities = 0x2A;
inline constexpr std::uint8_t kVendorSpeed = 0x31;
inline constexpr std::uint8_t kAll = 0x3F;
}  // namespace page

// Bits of the error-recovery page's byte 2.
namespace error_recovery {
inline constexpr std::uint8_t kDisableCorrection = 0x01;  // DCR
inline constexpr std::uint8_t kPostError = 0x04;          // PER
}  // namespace error_recovery

enum class PageControl { Current, Changeable, Default };

// In ascending order, as MODE SENSE of all pages lists them.
std::vector<std::uint8_t> modePageCodes(const DriveDescription& drive);

// The page's bytes after its two-byte header; nullopt when the drive has no
// such page.
std::optional<std::vector<std::uint8_t>> modePageBody(std::uint8_t code, PageControl control,
                                                      const DriveContext& context);

// Makes `body` the page's current value (the caller has checked it against
// the changeable mask).
void storeModePage(std::uint8_t code, std::vector<std::uint8_t> body, DriveState& state);

std::uint8_t errorRecoveryFlags(const DriveContext& context);

// The fastest read speed the drive reports, in kB/s.
inline constexpr std::uint16_t kMaxReadSpeedKbs = 24 * 176;

}  // namespace kel::emu
