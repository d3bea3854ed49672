// The field tables of the volume information display: which bytes of a
// volume descriptor are shown, under which label and how.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kel::diag {

enum class FieldKind : std::uint16_t {
    Text = 0,          // `size` characters, trailing blanks removed
    LittleEndian = 1,  // 32-bit when size is 4, else signed 16-bit
    DigitDate = 2,     // 16 digits "YYYYMMDDhhmmss.." from the offset
    BigEndian = 3,     // 32-bit when size is 4, else 16-bit
    Swapped = 4,       // the same through Swap32 / Swap16
};

// One line of the display. A heading has no label; its offset is the
// string-table id of its text.
struct VolumeField {
    const char* label;
    std::int16_t offset;
    std::uint16_t size;
    FieldKind kind;
};

// ISO 9660 primary volume descriptor, High Sierra standard file structure
// volume descriptor, CD-i disc label, and the HFS volume summary block.
std::span<const VolumeField> IsoVolumeFields();
std::span<const VolumeField> HighSierraVolumeFields();
std::span<const VolumeField> CdiVolumeFields();
std::span<const VolumeField> HfsVolumeFields();

// "label:\tvalue" for each field, the heading texts as they stand; a field
// that would reach past the descriptor shows no value.
std::vector<std::string> VolumeInfoLines(std::span<const VolumeField> fields,
                                         std::span<const std::uint8_t> descriptor);

}  // namespace kel::diag
