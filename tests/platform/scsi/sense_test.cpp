#include <gtest/gtest.h>

#include <vector>

#include "platform/scsi/sense_conversion.h"
#include "platform/scsi/transport.h"

namespace kel::scsi {
namespace {

TEST(Sense, MakeBuildsCurrentFixedSense) {
    const Sense sense = Sense::make(0x05, 0x24, 0x01);
    EXPECT_EQ(sense.bytes[0], 0x70);
    EXPECT_EQ(sense.bytes[7], 10);  // additional length: bytes 8..17
    EXPECT_EQ(sense.key(), 0x05);
    EXPECT_EQ(sense.asc(), 0x24);
    EXPECT_EQ(sense.ascq(), 0x01);
    EXPECT_EQ(Sense::make(0xF3, 0, 0).key(), 0x03);
}

TEST(SenseConversion, FixedSenseIsKeptAndCut) {
    std::vector<std::uint8_t> raw(32, 0xEE);
    raw[0] = 0xF0;  // VALID + current fixed
    raw[2] = 0x03;
    raw[12] = 0x11;
    raw[13] = 0x05;
    const Sense sense = toFixedSense(raw);
    EXPECT_EQ(sense.bytes[0], 0xF0);
    EXPECT_EQ(sense.key(), 0x03);
    EXPECT_EQ(sense.asc(), 0x11);
    EXPECT_EQ(sense.ascq(), 0x05);
    EXPECT_EQ(sense.bytes[17], 0xEE);

    const std::vector<std::uint8_t> shortFixed{0x71, 0, 0x06, 0, 0, 0, 0, 4};
    const Sense deferred = toFixedSense(shortFixed);
    EXPECT_EQ(deferred.bytes[0], 0x71);
    EXPECT_EQ(deferred.key(), 0x06);
    EXPECT_EQ(deferred.asc(), 0);
}

TEST(SenseConversion, DescriptorSenseMovesFieldsToFixedOffsets) {
    // MEDIUM ERROR / unrecovered read error at LBA 0x00012345, with a
    // sense-key-specific descriptor (actual retry count) after it.
    const std::vector<std::uint8_t> raw{
        0x72, 0x03, 0x11, 0x00, 0,    0,    0,    20,  // header, additional length 20
        0x00, 0x0A, 0x80, 0,    0,    0,    0,    0,  0x00, 0x01, 0x23, 0x45,  // information
        0x02, 0x06, 0,    0,    0x80, 0x00, 0x07, 0};                          // sense key specific
    const Sense sense = toFixedSense(raw);
    EXPECT_EQ(sense.bytes[0], 0xF0);  // current, VALID carried over
    EXPECT_EQ(sense.key(), 0x03);
    EXPECT_EQ(sense.asc(), 0x11);
    EXPECT_EQ(sense.ascq(), 0x00);
    EXPECT_EQ(sense.bytes[3], 0x00);
    EXPECT_EQ(sense.bytes[4], 0x01);
    EXPECT_EQ(sense.bytes[5], 0x23);
    EXPECT_EQ(sense.bytes[6], 0x45);
    EXPECT_EQ(sense.bytes[7], 10);
    EXPECT_EQ(sense.bytes[15], 0x80);
    EXPECT_EQ(sense.bytes[17], 0x07);

    const std::vector<std::uint8_t> deferred{0x73, 0x06, 0x28, 0x00};
    const Sense unitAttention = toFixedSense(deferred);
    EXPECT_EQ(unitAttention.bytes[0], 0x71);
    EXPECT_EQ(unitAttention.key(), 0x06);
    EXPECT_EQ(unitAttention.asc(), 0x28);
}

TEST(SenseConversion, WideInformationLeavesValidClear) {
    const std::vector<std::uint8_t> raw{0x72, 0x03, 0x11, 0x00, 0, 0, 0, 12, 0x00, 0x0A,
                                        0x80, 0,    0,    0,    0, 1, 0, 0,  0,    5};
    const Sense sense = toFixedSense(raw);
    EXPECT_EQ(sense.bytes[0], 0x70);
    EXPECT_EQ(sense.bytes[6], 0x00);
    EXPECT_EQ(sense.asc(), 0x11);
}

TEST(SenseConversion, UntrustedLengthsAreClamped) {
    // Additional length claims 200 bytes; the descriptor's own length runs
    // past what is there. Key/ASC/ASCQ still come through.
    const std::vector<std::uint8_t> raw{0x72, 0x04, 0x44, 0x00, 0, 0, 0, 200, 0x00, 0x0A, 0x80, 0};
    const Sense sense = toFixedSense(raw);
    EXPECT_EQ(sense.key(), 0x04);
    EXPECT_EQ(sense.asc(), 0x44);
    EXPECT_EQ(sense.bytes[0], 0x70);

    const std::vector<std::uint8_t> tiny{0x72, 0x05};
    EXPECT_EQ(toFixedSense(tiny).key(), 0x00);
    EXPECT_EQ(toFixedSense(tiny).bytes[0], 0x70);
}

TEST(SenseConversion, EmptyOrUnknownGivesZeroSense) {
    EXPECT_EQ(toFixedSense({}).bytes, Sense{}.bytes);
    const std::vector<std::uint8_t> vendor{0x7F, 0x05, 0x24, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0x24};
    EXPECT_EQ(toFixedSense(vendor).bytes, Sense{}.bytes);
}

}  // namespace
}  // namespace kel::scsi
