// Which value of the drive's error-recovery byte (mode page 01h, byte 2)
// makes it report recovered and unrecoverable read errors instead of hiding
// them: found when a device is selected, confirmed by the first scan that
// uses it, and stepped through the other candidates while a scan finds none.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace kel::diag {

// The error-recovery bits the candidates are made of.
namespace recovery_bits {
inline constexpr std::uint8_t kDcr = 0x01;  // disable correction
inline constexpr std::uint8_t kDte = 0x02;  // stop on the error
inline constexpr std::uint8_t kPer = 0x04;  // post the error
inline constexpr std::uint8_t kTb = 0x20;   // transfer the block anyway
}  // namespace recovery_bits

// How the last search for a setting ended (shown by the hardware
// information); kept from search to search.
namespace recovery_reason {
inline constexpr int kAcceptedWithoutMask = 1;
inline constexpr int kNoneAcceptedWithoutMask = 2;
inline constexpr int kMaskWithoutPerOrDcr = 3;
inline constexpr int kNoneInMaskAccepted = 5;
}  // namespace recovery_reason

inline constexpr std::size_t kMaxRecoveryCandidates = 31;

// The values of a "name,value;name,value" list, the first pair left out:
// values in C notation (0x for hex), blanks between entries skipped, at most
// kMaxRecoveryCandidates. A value that does not read as a byte is dropped.
std::vector<std::uint8_t> ParseRecoveryCandidates(std::string_view text);

// The candidates of string 159, read on first use.
std::span<const std::uint8_t> RecoveryCandidates();

// The setting found for the selected device, and the reason code.
std::uint8_t ProbedRecoverySetting();
int RecoveryReasonCode();

// Runs right after a device has been selected: finds (or takes the confirmed)
// setting of CurrentDevice, leaves the page as it was, and writes the
// profile back.
void PrepareErrorRecovery();

// Applies the first candidate after the device's ErrScan that the drive
// accepts (retry count 0) and makes it ErrScan; false when none is left.
bool NextRecoverySetting();

}  // namespace kel::diag
