#include "emu/disc/descriptor_keys.h"

namespace kel::emu {

namespace {

template <typename T>
Apply choice(Keyed<T> Recording::*field, std::vector<std::string_view> names,
             std::vector<T> values) {
    return [=](Reading& r, std::string_view v) -> std::optional<Problem> {
        std::size_t chosen = 0;
        if (auto problem = store(descriptor::parseChoice(v, names), chosen)) {
            return problem;
        }
        (r.recording.*field) = {values[chosen], r.line};
        return std::nullopt;
    };
}

const std::vector<std::string_view> kWriteMethodNames = {"dao", "tao", "packet"};
const std::vector<WriteMethod> kWriteMethods = {WriteMethod::Dao, WriteMethod::Tao,
                                                WriteMethod::Packet};

// "variable" (0) or a fixed packet size in user blocks.
std::optional<Problem> packetSize(Reading& r, std::string_view v, Keyed<std::int32_t>& out) {
    if (descriptor::parseChoice(v, {"variable"}).index() == 0) {
        out = {0, r.line};
        return std::nullopt;
    }
    int size = 0;
    if (auto problem = store(descriptor::parseCount(v, 65535), size); problem || size == 0) {
        return Problem{"expected variable or a packet size from 1 to 65535, not \"" +
                       std::string(v) + "\""};
    }
    out = {size, r.line};
    return std::nullopt;
}

Apply trackSwitch(bool TrackRecording::*field) {
    return [=](Reading& r, std::string_view v) {
        return store(descriptor::parseSwitch(v), r.recording.tracks.back().*field);
    };
}

Apply atipField(std::uint8_t Atip::*field) {
    return [=](Reading& r, std::string_view v) -> std::optional<Problem> {
        int value = 0;
        auto problem = store(descriptor::parseCount(v, 7), value);
        r.recording.atip.*field = static_cast<std::uint8_t>(value);
        return problem;
    };
}

}  // namespace

const std::vector<Key>& recordingKeys() {
    static const std::vector<Key> table = {
        {"disc", "medium",
         choice(&Recording::medium, {"pressed", "cd-r", "cd-rw"},
                {Medium::Pressed, Medium::CdR, Medium::CdRw})},
        {"disc", "disc-status",
         choice(&Recording::status, {"blank", "incomplete", "complete"},
                {DiscStatus::Blank, DiscStatus::Incomplete, DiscStatus::Complete})},
        {"disc", "last-session",
         choice(&Recording::lastSession, {"empty", "incomplete", "complete"},
                {SessionState::Empty, SessionState::Incomplete, SessionState::Complete})},
        {"disc", "next-writable",
         [](Reading& r, std::string_view v) {
             r.recording.nextWritable.line = r.line;
             return store(descriptor::parseLba(v), r.recording.nextWritable.value);
         }},
        {"disc", "write-method", choice(&Recording::writeMethod, kWriteMethodNames, kWriteMethods)},
        {"disc", "packet-size",
         [](Reading& r, std::string_view v) { return packetSize(r, v, r.recording.packetSize); }},
        {"disc", "subchannel",
         [](Reading& r, std::string_view v) {
             r.recording.subchannel.line = r.line;
             return resolvePath(v, r.folder, r.recording.subchannel.value);
         }},
        {"track", "write-method",
         [](Reading& r, std::string_view v) -> std::optional<Problem> {
             std::size_t chosen = 0;
             auto problem = store(descriptor::parseChoice(v, kWriteMethodNames), chosen);
             r.recording.tracks.back().writeMethod = {kWriteMethods[chosen], r.line};
             return problem;
         }},
        {"track", "packet-size",
         [](Reading& r, std::string_view v) {
             return packetSize(r, v, r.recording.tracks.back().packetSize);
         }},
        {"track", "damaged", trackSwitch(&TrackRecording::damaged)},
        {"track", "copy", trackSwitch(&TrackRecording::copy)},
        {"track", "reserved", trackSwitch(&TrackRecording::reserved)},
        {"session", "start",
         [](Reading& r, std::string_view v) {
             r.recording.sessions.back().start.line = r.line;
             return store(descriptor::parseLba(v), r.recording.sessions.back().start.value);
         }},
        {"atip", "lead-in-start",
         [](Reading& r, std::string_view v) -> std::optional<Problem> {
             sector::Msf time;
             if (auto problem = store(descriptor::parseMsf(v), time)) {
                 return problem;
             }
             if (time.minute != 97) {
                 return Problem{"a lead-in starts at 97:SS:FF, not " + std::string(v)};
             }
             r.recording.atip.leadInStart = time;
             return std::nullopt;
         }},
        {"atip", "last-lead-out",
         [](Reading& r, std::string_view v) -> std::optional<Problem> {
             sector::Msf time;
             if (auto problem = store(descriptor::parseMsf(v), time)) {
                 return problem;
             }
             if (time.minute >= 90 || (time.minute == 0 && time.second < 2)) {
                 return Problem{
                     "the last possible lead-out lies in the program area, "
                     "00:02:00 to 89:59:74, not " +
                     std::string(v)};
             }
             r.recording.atip.lastLeadOut = time;
             r.recording.lastLeadOutLine = r.line;
             return std::nullopt;
         }},
        {"atip", "disc-sub-type", atipField(&Atip::discSubType)},
        {"atip", "writing-power", atipField(&Atip::writingPower)},
        {"atip", "reference-speed", atipField(&Atip::referenceSpeed)},
        {"atip", "unrestricted-use",
         [](Reading& r, std::string_view v) {
             return store(descriptor::parseSwitch(v), r.recording.atip.unrestrictedUse);
         }},
        {"drive", "full-toc-bcd",
         [](Reading& r, std::string_view v) {
             return store(descriptor::parseSwitch(v), r.drive.fullTocBcd);
         }},
        {"drive", "vendor-track-info",
         [](Reading& r, std::string_view v) {
             return store(descriptor::parseSwitch(v), r.drive.vendorTrackInfo);
         }},
        {"faults", "unwritten-sense", [](Reading& r, std::string_view v) {
             return store(descriptor::parseSense(v), r.drive.faults.unwrittenSense);
         }}};
    return table;
}

}  // namespace kel::emu
