// The disc-wide sections of a recipe: [disc], [inquiry], [drive], [faults]
// and [atip].
#include <algorithm>

#include "tools/mkdisc/recipe_keys.h"
#include "tools/mkdisc/recipe_values.h"

namespace kel::mkdisc {

namespace {

Problem setInquiryText(std::string& target, std::string_view key, std::string_view value,
                       std::size_t width) {
    if (!printable(value) || value.size() > width) {
        return std::string(key) + " wants at most " + std::to_string(width) +
               " printable ASCII characters";
    }
    target = value;
    return std::nullopt;
}

// One word of `words`, its index in the list.
Problem setWord(int& target, std::string_view key, std::string_view value,
                std::initializer_list<const char*> words) {
    std::string list;
    int index = 0;
    for (const char* word : words) {
        if (value == word) {
            target = index;
            return std::nullopt;
        }
        list += (list.empty() ? "" : ", ") + std::string(word);
        ++index;
    }
    return std::string(key) + " wants " + list + ", not '" + std::string(value) + "'";
}

Problem setSmall(int& target, std::string_view key, std::string_view value) {
    const auto number = parseInteger(value, 0, 7);
    if (!number) {
        return std::string(key) + " wants 0 to 7";
    }
    target = static_cast<int>(*number);
    return std::nullopt;
}

}  // namespace

Problem discKey(Recipe& recipe, const std::string& key, std::string_view value, int line) {
    int word = 0;
    Problem problem;
    if (key == "name") {
        if (value.empty() || value.front() == '.' || value.find('/') != value.npos ||
            !printable(value)) {
            return "name wants a plain file name";
        }
        recipe.name = value;
    } else if (key == "layout") {
        problem =
            setWord(word, key, value, {"cd-rom", "audio", "mixed", "cd-extra", "multi-session"});
        recipe.layout = static_cast<Layout>(word);
    } else if (key == "bin") {
        problem = setWord(word, key, value, {"single", "per-track"});
        recipe.binFiles = static_cast<BinFiles>(word);
    } else if (key == "catalog") {
        if (value.size() != 13 || value.find_first_not_of("0123456789") != value.npos) {
            return "catalog wants 13 digits";
        }
        recipe.catalog = value;
    } else if (key == "medium") {
        problem = setWord(word, key, value, {"pressed", "cd-r", "cd-rw"});
        recipe.medium = static_cast<Medium>(word);
        recipe.mediumLine = line;
    } else if (key == "state") {
        problem = setWord(word, key, value, {"closed", "appendable", "open", "blank"});
        recipe.state = static_cast<DiscState>(word);
        recipe.mediumLine = recipe.mediumLine == 0 ? line : recipe.mediumLine;
    } else if (key == "write-method") {
        const auto method = parseWriteMethod(value);
        if (!method) {
            return "write-method wants dao, tao or packet, not '" + std::string(value) + "'";
        }
        recipe.writeMethod = *method;
        recipe.mediumLine = recipe.mediumLine == 0 ? line : recipe.mediumLine;
    } else if (key == "packet-size") {
        const auto size = parsePacketSize(value);
        if (!size) {
            return "packet-size wants variable or 1 to 65535 blocks";
        }
        recipe.packetSize = *size;
    } else if (key == "altered") {
        const auto ranges = parseLbaRanges(value);
        if (!ranges) {
            return "altered wants LBAs and ranges first-last separated by commas";
        }
        recipe.altered = *ranges;
        recipe.alteredLine = line;
    } else {
        return "unknown key '" + key + "' in [disc]";
    }
    return problem;
}

Problem inquiryKey(emu::DriveDescription& drive, const std::string& key, std::string_view value) {
    if (key == "vendor") {
        return setInquiryText(drive.vendor, key, value, 8);
    }
    if (key == "product") {
        return setInquiryText(drive.product, key, value, 16);
    }
    if (key == "revision") {
        return setInquiryText(drive.revision, key, value, 4);
    }
    if (key == "date") {
        return setInquiryText(drive.date, key, value, 8);
    }
    return "unknown key '" + key + "' in [inquiry]";
}

Problem driveKey(emu::DriveDescription& drive, const std::string& key, std::string_view value) {
    int word = 0;
    Problem problem;
    if (key == "vendor-cdda-read") {
        return setYesNo(drive.vendorCddaRead, key, value);
    }
    if (key == "full-toc-bcd") {
        return setYesNo(drive.fullTocBcd, key, value);
    }
    if (key == "vendor-track-info") {
        return setYesNo(drive.vendorTrackInfo, key, value);
    }
    if (key == "personality") {
        problem = setWord(word, key, value, {"mmc", "scsi2"});
        drive.personality = word == 0 ? emu::Personality::Mmc : emu::Personality::Scsi2;
    } else if (key == "atip-on-pressed") {
        problem = setWord(word, key, value, {"invalid-field", "short-reply"});
        drive.atipOnPressed =
            word == 0 ? emu::AtipOnPressed::IllegalField : emu::AtipOnPressed::ShortReply;
    } else if (key == "error-recovery-changeable") {
        const auto mask = parseHexBytes(value);
        if (!mask || mask->size() != 1) {
            return "error-recovery-changeable wants one byte in hexadecimal (0xFF)";
        }
        drive.errorRecoveryChangeable = mask->front();
    } else {
        return "unknown key '" + key + "' in [drive]";
    }
    return problem;
}

Problem faultsKey(emu::FaultSet& faults, const std::string& key, std::string_view value) {
    if (key == "hard" || key == "marginal" || key == "other") {
        const auto ranges = parseLbaRanges(value);
        if (!ranges) {
            return key + " wants LBAs and ranges first-last separated by commas";
        }
        (key == "hard"       ? faults.hard
         : key == "marginal" ? faults.marginal
                             : faults.other) = *ranges;
    } else if (key == "reject-opcodes") {
        const auto opcodes = parseHexBytes(value);
        if (!opcodes) {
            return "reject-opcodes wants opcodes in hexadecimal (43, 0xBE)";
        }
        faults.rejectedOpcodes = *opcodes;
    } else if (key == "becoming-ready-polls") {
        const auto polls = parseInteger(value, 0, 10000);
        if (!polls) {
            return "becoming-ready-polls wants a count, 0 to 10000";
        }
        faults.becomingReadyPolls = static_cast<int>(*polls);
    } else if (key == "unwritten-sense") {
        // K/AA/QQ: a sense key below 16, then two bytes.
        std::string separated(value);
        for (char& c : separated) {
            c = c == '/' ? ',' : c;
        }
        const auto bytes = parseHexBytes(separated);
        if (!bytes || bytes->size() != 3 || (*bytes)[0] > 0x0F ||
            std::count(value.begin(), value.end(), '/') != 2) {
            return "unwritten-sense wants K/AA/QQ in hexadecimal (5/21/00)";
        }
        faults.unwrittenSense = {(*bytes)[0], (*bytes)[1], (*bytes)[2]};
    } else {
        return "unknown key '" + key + "' in [faults]";
    }
    return std::nullopt;
}

Problem atipKey(AtipRecipe& atip, const std::string& key, std::string_view value) {
    if (key == "lead-in-start" || key == "last-lead-out") {
        const auto frames = parseMsf(value);
        // The lead-in starts in the 97th minute, counted down to the program area.
        if (!frames || (key == "lead-in-start" && !value.starts_with("97:"))) {
            return key == "lead-in-start" ? "lead-in-start wants 97:SS:FF"
                                          : "last-lead-out wants MM:SS:FF";
        }
        (key == "lead-in-start" ? atip.leadInStart : atip.lastLeadOut) = value;
        return std::nullopt;
    }
    if (key == "disc-sub-type") {
        return setSmall(atip.discSubType, key, value);
    }
    if (key == "writing-power") {
        return setSmall(atip.writingPower, key, value);
    }
    if (key == "reference-speed") {
        return setSmall(atip.referenceSpeed, key, value);
    }
    if (key == "unrestricted-use") {
        bool on = false;
        Problem problem = setYesNo(on, key, value);
        atip.unrestrictedUse = on ? 1 : 0;
        return problem;
    }
    return "unknown key '" + key + "' in [atip]";
}

}  // namespace kel::mkdisc
