#include "diag/device/device_profile.h"

#include <array>

namespace kel::diag {

namespace {

using P = DeviceProfile;

constexpr std::array<ProfileKeyword, 28> kKeywords = {{
    {"CDDAMSF", KeywordKind::Set, &P::CDDAMSF},
    {"CDDALE", KeywordKind::Set, &P::CDDALE},
    {"CDDAScan", KeywordKind::Set, &P::CDDAScan},
    {"Mode10", KeywordKind::Set, &P::Mode10},
    {"Raw", KeywordKind::Set, &P::Raw},
    {"DevReg", KeywordKind::Set, &P::DevReg},
    {"NoBlkSet", KeywordKind::Set, &P::NoBlkSet},
    {"LoadDisc", KeywordKind::Set, &P::LoadDisc},
    {"NoATIP", KeywordKind::Set, &P::NoATIP},
    {"SubRWAvail", KeywordKind::Set, &P::SubRWAvail},
    {"SubRWDe", KeywordKind::Set, &P::SubRWDe},
    {"NoCDDAMSF", KeywordKind::Clear, &P::CDDAMSF},
    {"NoCDDAScan", KeywordKind::Clear, &P::CDDAScan},
    {"NoModeLen", KeywordKind::Clear, &P::ModeLen},
    {"NoRaw", KeywordKind::Clear, &P::Raw},
    {"NoLoadDisc", KeywordKind::Clear, &P::LoadDisc},
    {"CDDALen", KeywordKind::Value, nullptr, &P::CDDALen},
    {"MechType", KeywordKind::Value, &P::MechType},
    {"CDDADen", KeywordKind::Value, &P::CDDADen},
    {"CDDACmd", KeywordKind::Value, &P::CDDACmd},
    {"RawCmd", KeywordKind::Value, &P::RawCmd},
    {"TrkInfo", KeywordKind::Value, &P::TrkInfo},
    {"LoadEj", KeywordKind::Value, &P::LoadEj},
    {"SubQVal", KeywordKind::Value, &P::SubQVal},
    {"SubRW", KeywordKind::Value, &P::SubRW},
    {"ErrScan", KeywordKind::Value, &P::ErrScan},
    {"SpeedCode", KeywordKind::Value, &P::SpeedCode},
    {"Speed", KeywordKind::Value, &P::Speed},
}};

// ':' ends an entry's name; a '[' or '#' would turn the line into a header
// or a comment and a ']' would end a section name early.
std::string withPercentForColon(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c == ':' || c == '[' || c == ']' || c == '#') {
            c = '%';
        }
    }
    return out;
}

}  // namespace

std::span<const ProfileKeyword> profileKeywords() {
    return kKeywords;
}

void DeviceProfile::resetToDefaults() {
    DevReg = modified = speedGiven = mmcCdda = accurateStream = 0;
    for (const ProfileKeyword& keyword : kKeywords) {
        if (keyword.byteField) {
            this->*keyword.byteField = 0;
        } else {
            this->*keyword.wordField = 0;
        }
    }
    SpeedCode = 0xFF;
}

std::string DeviceProfile::vendorKey() const {
    return withPercentForColon(std::string_view(name).substr(0, name.find(' ')));
}

std::string DeviceProfile::productKey() const {
    std::size_t blank = name.find(' ');
    return withPercentForColon(blank == std::string::npos
                                   ? std::string_view(name)
                                   : std::string_view(name).substr(blank + 1));
}

}  // namespace kel::diag
