// Drive group (status, media change, tray, lock) and system group (the list
// of CD-ROM devices).
#include <array>
#include <string>

#include "platform/base/log.h"
#include "server/request_words.h"
#include "server/server_form.h"

namespace kel::server {
namespace {

void NoCall(TForm1& form, std::initializer_list<const char*> values = {}) {
    BeginReply(form);
    for (const char* value : values) {
        form.Memo1.Add(value);
    }
    EndReply(form, tolscsi::status::kGood);
}

void DeviceStatus(TForm1& form) {
    tolscsi::Status started = form.Scsi.StartUnit(LineValue(form.Memo1, 1));
    tolscsi::Status ready = form.Scsi.TestUnitReady(LineValue(form.Memo1, 1));
    BeginReply(form);
    form.Memo1.Add(static_cast<std::int64_t>(started));
    form.Memo1.Add(static_cast<std::int64_t>(ready));
    EndReply(form, started);
}

// "255" when the start status differs from the last poll's, else "1".
void MediaChanged(TForm1& form) {
    std::int32_t device = LineValue(form.Memo1, 1);
    auto started = static_cast<std::int32_t>(form.Scsi.StartUnit(device));
    int slot = DeviceSlot(device);
    bool changed = true;  // a device outside the table has no earlier poll to match
    if (slot >= 0) {
        std::int32_t& last = form.MediaStatusTable[static_cast<std::size_t>(slot)];
        changed = started != last;
        last = started;
    }
    BeginReply(form);
    form.Memo1.Add(changed ? "255" : "1");
    EndReply(form, tolscsi::status::kGood);
}

template <typename Call>
void OneCall(TForm1& form, Call call) {
    tolscsi::Status s = call(LineValue(form.Memo1, 1));
    BeginReply(form);
    EndReply(form, s);
}

// Inquiry texts go into a line reply: a control character would split or
// corrupt the reply's lines.
std::string LineSafe(const char* text) {
    std::string safe(text);
    for (char& c : safe) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            c = '?';
        }
    }
    return safe;
}

void DeviceList(TForm1& form) {
    tolscsi::Library& scsi = form.Scsi;
    BeginReply(form);
    int listed = 0;
    for (int d = 0; d < kMaxDevices; ++d) {
        std::uint8_t type = scsi.GetDeviceType(d);
        if (type == tolscsi::kNoDeviceType) {
            break;
        }
        std::array<char, 12> vendor{};
        std::array<char, 20> product{};
        std::array<std::uint8_t, 40> inquiry{};
        if (scsi.GetVendorId(d, vendor) != tolscsi::status::kGood) {
            vendor[0] = '\0';
        }
        if (scsi.GetProductId(d, product) != tolscsi::status::kGood) {
            product[0] = '\0';
        }
        tolscsi::Status s = scsi.ReadRawInquiryData(d, inquiry);
        if (s != tolscsi::status::kGood) {
            inquiry[2] &= static_cast<std::uint8_t>(~0x0E);
        }
        if (type != tolscsi::kCdromType) {
            continue;
        }
        if (s != tolscsi::status::kGood) {
            // The client drops the whole list on a status line, so one drive
            // that does not answer would cost it every drive: this one is
            // listed without its identity, and the log says why.
            log::warning("KELCD32", "device " + std::to_string(d) +
                                        " does not answer INQUIRY (status " + std::to_string(s) +
                                        "): listed without vendor and product");
        }
        form.Memo1.Add(d);
        form.Memo1.Add(type);
        form.Memo1.Add((inquiry[2] >> 1) & 7);
        form.Memo1.Add((inquiry[4] >> 4) & 3);
        form.Memo1.Add(LineSafe(vendor.data()));
        form.Memo1.Add(LineSafe(product.data()));
        ++listed;
    }
    form.Memo1.Add(listed);
    EndReply(form, tolscsi::status::kGood);
}

}  // namespace

void DoDriveRequest(TForm1& form, std::int32_t code) {
    tolscsi::Library& scsi = form.Scsi;
    switch (SubgroupOf(code)) {
        case 0x100:
            form.Edit1 += "_get";
            switch (CommandOf(code)) {
                case 0x0C:
                    form.Edit1 += "_deviceheaderaddress";
                    NoCall(form);
                    break;
                case 0x0D:
                    form.Edit1 += "_devstat";
                    DeviceStatus(form);
                    break;
                case 0x16:
                    form.Edit1 += "_headererror";
                    NoCall(form);
                    break;
                case 0x18:
                    form.Edit1 += "_locationofhead";
                    NoCall(form);
                    break;
                case 0x1A:
                    form.Edit1 += "_mediachanged";
                    MediaChanged(form);
                    break;
            }
            break;
        case 0x200:
            form.Edit1 += "_is";
            switch (CommandOf(code)) {
                case 0x14:
                    form.Edit1 += "_headerbusy";
                    NoCall(form);
                    break;
                case 0x15:
                    form.Edit1 += "_headerdone";
                    NoCall(form);
                    break;
                case 0x2C:
                    form.Edit1 += "_cdromdrive";
                    NoCall(form, {"0"});
                    break;
            }
            break;
        case 0x400:
            form.Edit1 += "_read";
            if (CommandOf(code) == 0x04) {
                form.Edit1 += "_bytes";
                NoCall(form);
            }
            break;
        case 0x500:
            form.Edit1 += "_run";
            switch (CommandOf(code)) {
                case 0x09:
                    form.Edit1 += "_close";
                    OneCall(form, [&](std::int32_t d) { return scsi.LoadMedia(d); });
                    break;
                case 0x11:
                    form.Edit1 += "_eject";
                    OneCall(form, [&](std::int32_t d) { return scsi.EjectMedia(d); });
                    break;
                case 0x19:
                    form.Edit1 += "_lock";
                    OneCall(form, [&](std::int32_t d) { return scsi.PreventMediumRemoval(d); });
                    break;
                case 0x1E:
                    form.Edit1 += "_reset";
                    NoCall(form);
                    break;
                case 0x2D:
                    form.Edit1 += "_unlock";
                    OneCall(form, [&](std::int32_t d) { return scsi.AllowMediumRemoval(d); });
                    break;
            }
            break;
        case 0x700:
            form.Edit1 += "_Write";
            if (CommandOf(code) == 0x04) {
                form.Edit1 += "_bytes";
                NoCall(form);
            }
            break;
    }
}

void DoSystemRequest(TForm1& form, std::int32_t code) {
    switch (SubgroupOf(code)) {
        case 0x100:
            form.Edit1 += "_get";
            switch (CommandOf(code)) {
                case 0x05:
                    form.Edit1 += "_cdromdrivedevicelist";
                    DeviceList(form);
                    break;
                case 0x06:
                    form.Edit1 += "_cdromdriveletters";
                    NoCall(form);
                    break;
                case 0x1B:
                    form.Edit1 += "_numberofdriveletters";
                    NoCall(form);
                    break;
                case 0x27:
                    form.Edit1 += "_vdpreference";
                    NoCall(form);
                    break;
                case 0x29:
                    form.Edit1 += "_version";
                    NoCall(form);
                    break;
            }
            break;
        case 0x200:
            form.Edit1 += "_is";
            if (CommandOf(code) == 0x17) {
                form.Edit1 += "_installed";
                NoCall(form);
            }
            break;
        case 0x600:
            form.Edit1 += "_set";
            if (CommandOf(code) == 0x27) {
                form.Edit1 += "_vdpreference";
                NoCall(form);
            }
            break;
    }
}

}  // namespace kel::server
