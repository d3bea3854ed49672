// Drive replies for the track-list tests, built field by field as a drive
// lays them out: READ TOC formats 0 and 2, disc information, and track
// information in the standard and the older vendor layout.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace kel::diag::testing {

using Bytes = std::vector<std::uint8_t>;

inline void putBe(Bytes& bytes, std::size_t at, std::size_t width, std::uint32_t value) {
    for (std::size_t i = 0; i < width; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * (width - 1 - i)));
    }
}

struct Descriptor {
    std::uint8_t control;
    std::uint8_t track;
    std::int32_t address;
};

// Format 0; `lengthDelta` makes the data length claim more or fewer bytes.
inline Bytes toc0(std::initializer_list<Descriptor> descriptors, int lengthDelta = 0) {
    Bytes reply(4 + 8 * descriptors.size(), 0);
    putBe(reply, 0, 2, static_cast<std::uint32_t>(reply.size() - 2 + lengthDelta));
    std::size_t at = 4;
    for (const Descriptor& d : descriptors) {
        reply[at + 1] = d.control;
        reply[at + 2] = d.track;
        putBe(reply, at + 4, 4, static_cast<std::uint32_t>(d.address));
        at += 8;
    }
    if (descriptors.size() > 0) {
        reply[2] = descriptors.begin()->track;
        reply[3] = (descriptors.end() - 1)->track;
    }
    return reply;
}

struct Entry {
    std::uint8_t session;
    std::uint8_t control;
    std::uint8_t point;
    std::uint8_t min = 0, sec = 0, frame = 0;
    std::uint8_t pmin = 0, psec = 0, pframe = 0;
};

inline Bytes fullToc(std::uint8_t lastSession, std::initializer_list<Entry> entries) {
    Bytes reply(4 + 11 * entries.size(), 0);
    putBe(reply, 0, 2, static_cast<std::uint32_t>(reply.size() - 2));
    reply[2] = 1;
    reply[3] = lastSession;
    std::size_t at = 4;
    for (const Entry& e : entries) {
        reply[at] = e.session;
        reply[at + 1] = e.control;
        reply[at + 3] = e.point;
        reply[at + 4] = e.min;
        reply[at + 5] = e.sec;
        reply[at + 6] = e.frame;
        reply[at + 8] = e.pmin;
        reply[at + 9] = e.psec;
        reply[at + 10] = e.pframe;
        at += 11;
    }
    return reply;
}

// `lastSession`: 0 empty (an appendable disc's next session), 1 incomplete,
// 3 complete.
inline Bytes discInfo(std::uint8_t status, bool erasable, std::uint8_t firstTrack,
                      std::uint8_t sessions, std::uint8_t lastSession = 0) {
    Bytes reply(34, 0);
    putBe(reply, 0, 2, 32);
    reply[2] = static_cast<std::uint8_t>(status | lastSession << 2 | (erasable ? 0x10 : 0));
    reply[3] = firstTrack;
    reply[4] = sessions;
    return reply;
}

struct TrackFields {
    std::uint8_t track = 1;
    std::uint8_t session = 1;
    std::uint8_t trackMode = 0x04;
    std::uint8_t dataMode = 0x01;
    std::int32_t start = 0;
    std::int32_t size = 0;
    std::int32_t freeBlocks = 0;
    std::int32_t nextWritable = -1;  // -1: not valid
    std::uint32_t packetSize = 0;
    int lengthDelta = 0;
};

inline Bytes trackInfo(const TrackFields& f) {
    Bytes reply(36, 0);
    putBe(reply, 0, 2, static_cast<std::uint32_t>(34 + f.lengthDelta));
    reply[2] = f.track;
    reply[3] = f.session;
    reply[5] = f.trackMode;
    reply[6] = f.dataMode;
    if (f.nextWritable >= 0) {
        reply[7] = 0x01;
        putBe(reply, 12, 4, static_cast<std::uint32_t>(f.nextWritable));
    }
    putBe(reply, 8, 4, static_cast<std::uint32_t>(f.start));
    putBe(reply, 16, 4, static_cast<std::uint32_t>(f.freeBlocks));
    putBe(reply, 20, 4, f.packetSize);
    putBe(reply, 24, 4, static_cast<std::uint32_t>(f.size));
    return reply;
}

inline Bytes oldTrackInfo(const TrackFields& f) {
    Bytes reply(20, 0);
    reply[0] = 19;
    putBe(reply, 2, 4, static_cast<std::uint32_t>(f.start));
    putBe(reply, 6, 4, static_cast<std::uint32_t>(f.size));
    reply[10] = f.trackMode;
    reply[11] = f.dataMode;
    putBe(reply, 12, 4, static_cast<std::uint32_t>(f.freeBlocks));
    putBe(reply, 16, 4, f.packetSize);
    return reply;
}

}  // namespace kel::diag::testing
