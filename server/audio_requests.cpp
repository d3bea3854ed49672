// Audio group: play a range, pause, resume, stop, seek, and the position
// query that the player polls.
#include <array>
#include <cstring>

#include "server/request_words.h"
#include "server/server_form.h"

namespace kel::server {
namespace {

// Frame count to a 4-byte play address (byte 0 stays 0). No 150-frame offset:
// the client counts from the start of the disc's time scale.
std::array<std::uint8_t, 4> FramesToMsf(std::int32_t frames) {
    return {0, static_cast<std::uint8_t>(frames / 4500),
            static_cast<std::uint8_t>((frames % 4500) / 75),
            static_cast<std::uint8_t>(frames % 75)};
}

// The audio status byte of READ SUB-CHANNEL, or 255 when the command fails.
int QueryDriveByte(TForm1& form, std::int32_t device) {
    std::uint32_t path = form.Scsi.GetScsiPath(device);
    std::uint8_t lun = static_cast<std::uint8_t>(path >> 24);
    std::array<std::uint8_t, 256> data{};
    tolscsi::Status s;
    if (form.Scsi.GetAnsiVersion(device) != 0) {
        std::array<std::uint8_t, 10> cdb{0x42, 0, 0x40, 0x01, 0, 0, 0, 0x01, 0, 0};
        cdb[1] = static_cast<std::uint8_t>(lun << 5);
        s = form.Scsi.ExecuteScsiCDB(device, cdb, data);
    } else {
        const std::array<std::uint8_t, 12> cdb{0x42, 0, 0x40, 0x01, 0, 0, 0, 0x01, 0, 0, 0, 0};
        s = form.Scsi.ExecuteScsiCDB(device, cdb, data);
    }
    return s != tolscsi::status::kGood ? 255 : data[1];
}

std::uint32_t Le32(const std::uint8_t* at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) {
        value = (value << 8) | at[i];
    }
    return value;
}

// A device outside the per-device tables still gets answered, from records
// that hold nothing of any other device.
AudioRecords& RecordsOf(TForm1& form, std::int32_t device, AudioRecords& scratch) {
    int slot = DeviceSlot(device);
    return slot < 0 ? scratch : form.Audio[static_cast<std::size_t>(slot)];
}

void QueryChannel(TForm1& form) {
    std::int32_t device = LineValue(form.Memo1, 1);
    AudioRecords scratch;
    AudioRecords& r = RecordsOf(form, device, scratch);
    form.Scsi.ReadSubChannel(device, r.subChannel);
    form.Scsi.CdromCurrentPositionMsf(device, r.positionMsf);
    form.Scsi.CdromCurrentPositionLba(device, r.positionLba);
    BeginReply(form);
    form.Memo1.Add(r.subChannel[0] & 0x0F);
    form.Memo1.Add(r.subChannel[0] >> 4);
    form.Memo1.Add(r.subChannel[2]);
    form.Memo1.Add(r.positionMsf[6]);
    form.Memo1.Add(r.positionMsf[7]);
    form.Memo1.Add(r.positionMsf[8]);
    form.Memo1.Add(0);
    form.Memo1.Add(r.positionMsf[3]);
    form.Memo1.Add(r.positionMsf[4]);
    form.Memo1.Add(r.positionMsf[5]);
    form.Memo1.Add(static_cast<std::int32_t>(Le32(&r.positionLba[3])));
    form.Memo1.Add(static_cast<std::int32_t>(Le32(&r.positionLba[7])));
    form.Memo1.Add(r.positionMsf[1]);
    form.Memo1.Add(QueryDriveByte(form, device));
    form.Memo1.Add("16");
}

void Play(TForm1& form) {
    std::int32_t device = LineValue(form.Memo1, 1);
    std::array<std::uint8_t, 4> start = FramesToMsf(LineValue(form.Memo1, 2));
    std::array<std::uint8_t, 4> end = FramesToMsf(LineValue(form.Memo1, 3));
    tolscsi::Status s = form.Scsi.PlayAudioMsf(device, start, end);
    BeginReply(form);
    EndReply(form, s);
}

void SeekTo(TForm1& form) {
    std::int32_t device = LineValue(form.Memo1, 1);
    std::int32_t block = LineValue(form.Memo1, 2);
    BeginReply(form);
    AudioRecords scratch;
    AudioRecords& r = RecordsOf(form, device, scratch);
    tolscsi::Status s = form.Scsi.Seek(device, static_cast<std::uint32_t>(block));
    if (s == tolscsi::status::kGood) {
        s = form.Scsi.CdromCurrentPositionLba(device, r.positionLba);
        if (s == tolscsi::status::kGood) {
            form.Memo1.Add(static_cast<std::int32_t>(Le32(&r.positionLba[3])));
        }
    }
    EndReply(form, s);
}

template <typename Call>
void OneCall(TForm1& form, Call call) {
    std::int32_t device = LineValue(form.Memo1, 1);
    tolscsi::Status s = call(device);
    BeginReply(form);
    EndReply(form, s);
}

void NoCall(TForm1& form, std::initializer_list<const char*> values) {
    BeginReply(form);
    for (const char* value : values) {
        form.Memo1.Add(value);
    }
    EndReply(form, tolscsi::status::kGood);
}

}  // namespace

void DoAudioRequest(TForm1& form, std::int32_t code) {
    tolscsi::Library& scsi = form.Scsi;
    switch (SubgroupOf(code)) {
        case 0x100:
            form.Edit1 += "_get";
            switch (CommandOf(code)) {
                case 0x08:
                    form.Edit1 += "_channelinfo";
                    NoCall(form, {});
                    break;
                case 0x22:
                    form.Edit1 += "_statusinfo";
                    NoCall(form, {"0"});
                    break;
                case 0x24:
                    form.Edit1 += "_subchannel";
                    NoCall(form, {});
                    break;
            }
            break;
        case 0x200:
            form.Edit1 += "_is";
            if (CommandOf(code) == 0x10) {
                form.Edit1 += "_drivebusy";
                NoCall(form, {});
            }
            break;
        case 0x300:
            form.Edit1 += "_query";
            if (CommandOf(code) == 0x07) {
                form.Edit1 += "_channel";
                QueryChannel(form);
            }
            break;
        case 0x500:
            form.Edit1 += "_run";
            switch (CommandOf(code)) {
                case 0x13:
                    form.Edit1 += "_fastforward";
                    NoCall(form, {});
                    break;
                case 0x1C:
                    form.Edit1 += "_play";
                    Play(form);
                    break;
                case 0x1F:
                    form.Edit1 += "_resume";
                    OneCall(form, [&](std::int32_t d) { return scsi.ResumeAudio(d); });
                    break;
                case 0x21:
                    form.Edit1 += "_seek";
                    SeekTo(form);
                    break;
                case 0x23:
                    form.Edit1 += "_stop";
                    OneCall(form, [&](std::int32_t d) { return scsi.StopUnit(d); });
                    break;
                case 0x31:
                    // The pause request's trail word is "_resume" too.
                    form.Edit1 += "_resume";
                    OneCall(form, [&](std::int32_t d) { return scsi.PauseAudio(d); });
                    break;
            }
            break;
        case 0x600:
            form.Edit1 += "_set";
            if (CommandOf(code) == 0x08) {
                form.Edit1 += "_channelinfo";
                NoCall(form, {});
            }
            break;
    }
}

}  // namespace kel::server
