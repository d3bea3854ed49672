#include "tools/mkdisc/descriptor_text.h"

#include <cstdio>
#include <vector>

namespace kel::mkdisc {

namespace {

std::string hexByte(std::uint8_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

std::string rangeList(const std::vector<emu::LbaRange>& ranges) {
    std::string list;
    for (const emu::LbaRange& range : ranges) {
        list += (list.empty() ? "" : ", ") + std::to_string(range.first);
        if (range.last != range.first) {
            list += "-" + std::to_string(range.last);
        }
    }
    return list;
}

const char* methodName(WriteMethod method) {
    switch (method) {
        case WriteMethod::Tao:
            return "tao";
        case WriteMethod::Packet:
            return "packet";
        case WriteMethod::Dao:
            break;
    }
    return "dao";
}

std::string packetName(std::int32_t size) {
    return size == 0 ? "variable" : std::to_string(size);
}

// Collects `key = value` lines of one section and writes the section only
// when it has any, so that a recipe that says nothing about a part of the
// drive gets it as it comes.
class Sections {
public:
    void add(bool differs, const std::string& key, const std::string& value) {
        if (differs) {
            section_ += key + " = " + value + "\n";
        }
    }
    void flush(const std::string& name) {
        if (!section_.empty()) {
            text_ += (text_.empty() ? "[" : "\n[") + name + "]\n" + section_;
            section_.clear();
        }
    }
    std::string take() { return std::move(text_); }

private:
    std::string text_;
    std::string section_;
};

void discSection(const Recipe& recipe, const DiscPlan& plan, const emu::DriveDescription& drive,
                 const DescriptorFiles& files, Sections& out) {
    out.add(!files.cue.empty(), "image", files.cue);
    out.add(!drive.mountedFolder.empty(), "mounted-folder", drive.mountedFolder.string());
    out.add(!drive.volumeLabel.empty(), "volume-label", drive.volumeLabel);
    const bool recordable = recipe.medium != Medium::Pressed;
    out.add(recordable, "medium", recipe.medium == Medium::CdR ? "cd-r" : "cd-rw");
    const char* status = "complete";
    const char* lastSession = "complete";
    switch (recipe.state) {
        case DiscState::Closed:
            break;
        case DiscState::Appendable:
            // The drive reports the session after the last closed one: not yet started.
            status = "incomplete";
            lastSession = "empty";
            break;
        case DiscState::Open:
            status = "incomplete";
            lastSession = "incomplete";
            break;
        case DiscState::Blank:
            status = "blank";
            lastSession = "empty";
            break;
    }
    out.add(recordable, "disc-status", status);
    out.add(recordable, "last-session", lastSession);
    out.add(plan.nextWritable >= 0, "next-writable", std::to_string(plan.nextWritable));
    out.add(recipe.writeMethod != WriteMethod::Dao, "write-method", methodName(recipe.writeMethod));
    out.add(recipe.writeMethod == WriteMethod::Packet, "packet-size",
            packetName(recipe.packetSize));
    out.add(!files.subchannel.empty(), "subchannel", files.subchannel);
    out.flush("disc");
}

void trackSections(const Recipe& recipe, const DiscPlan& plan, Sections& out) {
    for (std::size_t i = 0; i < recipe.tracks.size(); ++i) {
        const TrackRecipe& track = recipe.tracks[i];
        const WriteMethod method = recipe.methodOf(track);
        out.add(method != recipe.writeMethod, "write-method", methodName(method));
        out.add(method == WriteMethod::Packet && recipe.packetSizeOf(track) != recipe.packetSize,
                "packet-size", packetName(recipe.packetSizeOf(track)));
        out.flush("track " + std::to_string(plan.tracks[i].number));
    }
    for (const SessionPlacement& session : plan.sessions) {
        out.add(session.number > 1, "start", std::to_string(session.start));
        out.flush("session " + std::to_string(session.number));
    }
}

void atipSection(const AtipRecipe& atip, Sections& out) {
    const auto number = [](int value) { return std::to_string(value); };
    out.add(!atip.leadInStart.empty(), "lead-in-start", atip.leadInStart);
    out.add(!atip.lastLeadOut.empty(), "last-lead-out", atip.lastLeadOut);
    out.add(atip.discSubType >= 0, "disc-sub-type", number(atip.discSubType));
    out.add(atip.writingPower >= 0, "writing-power", number(atip.writingPower));
    out.add(atip.referenceSpeed >= 0, "reference-speed", number(atip.referenceSpeed));
    out.add(atip.unrestrictedUse >= 0, "unrestricted-use", atip.unrestrictedUse ? "on" : "off");
    out.flush("atip");
}

void driveSections(const emu::DriveDescription& drive, Sections& out) {
    const emu::DriveDescription defaults;
    out.add(drive.vendor != defaults.vendor, "vendor", drive.vendor);
    out.add(drive.product != defaults.product, "product", drive.product);
    out.add(drive.revision != defaults.revision, "revision", drive.revision);
    out.add(drive.date != defaults.date, "date", drive.date);
    out.flush("inquiry");

    out.add(drive.personality != defaults.personality, "personality",
            drive.personality == emu::Personality::Mmc ? "mmc" : "scsi2");
    out.add(drive.vendorCddaRead != defaults.vendorCddaRead, "vendor-cdda-read",
            drive.vendorCddaRead ? "on" : "off");
    out.add(
        drive.atipOnPressed != defaults.atipOnPressed, "atip-on-pressed",
        drive.atipOnPressed == emu::AtipOnPressed::IllegalField ? "invalid-field" : "short-reply");
    out.add(drive.errorRecoveryChangeable != defaults.errorRecoveryChangeable,
            "error-recovery-changeable", hexByte(drive.errorRecoveryChangeable));
    out.add(drive.fullTocBcd != defaults.fullTocBcd, "full-toc-bcd",
            drive.fullTocBcd ? "on" : "off");
    out.add(drive.vendorTrackInfo != defaults.vendorTrackInfo, "vendor-track-info",
            drive.vendorTrackInfo ? "on" : "off");
    out.flush("drive");

    const emu::FaultSet& faults = drive.faults;
    out.add(!faults.hard.empty(), "hard", rangeList(faults.hard));
    out.add(!faults.marginal.empty(), "marginal", rangeList(faults.marginal));
    out.add(!faults.other.empty(), "other", rangeList(faults.other));
    std::string opcodes;
    for (const std::uint8_t opcode : faults.rejectedOpcodes) {
        opcodes += (opcodes.empty() ? "" : ", ") + hexByte(opcode);
    }
    out.add(!opcodes.empty(), "reject-opcodes", opcodes);
    out.add(faults.becomingReadyPolls != 0, "becoming-ready-polls",
            std::to_string(faults.becomingReadyPolls));
    char sense[16];
    std::snprintf(sense, sizeof sense, "%X/%02X/%02X", faults.unwrittenSense[0],
                  faults.unwrittenSense[1], faults.unwrittenSense[2]);
    out.add(faults.unwrittenSense != defaults.faults.unwrittenSense, "unwritten-sense", sense);
    out.flush("faults");
}

}  // namespace

std::string descriptorText(const Recipe& recipe, const DiscPlan& plan,
                           const emu::DriveDescription& drive, const DescriptorFiles& files) {
    Sections out;
    discSection(recipe, plan, drive, files, out);
    trackSections(recipe, plan, out);
    if (recipe.atip) {
        atipSection(*recipe.atip, out);
    }
    driveSections(drive, out);
    return "# Written by mkdisc from " + recipe.origin.filename().string() + "\n" + out.take();
}

}  // namespace kel::mkdisc
