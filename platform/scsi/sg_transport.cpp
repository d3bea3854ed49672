#include "platform/scsi/sg_transport.h"

#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

#include "platform/scsi/request_check.h"
#include "platform/scsi/sense_conversion.h"
#include "platform/scsi/sg_status.h"
#include "platform/scsi/transfer_length.h"

namespace kel::scsi {

namespace {
// The most sense the kernel hands back (mx_sb_len is one byte).
constexpr std::size_t kSenseBufferSize = 252;
// SG_IO in its sg_io_hdr form exists from this driver version on.
constexpr int kMinimumSgVersion = 30000;

class SgTransport final : public Transport {
public:
    SgTransport(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    ~SgTransport() override { ::close(fd_); }
    SgTransport(const SgTransport&) = delete;
    SgTransport& operator=(const SgTransport&) = delete;

    Result execute(std::span<const std::uint8_t> cdb, Direction direction,
                   std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override;

private:
    int fd_;
    std::string path_;
};

int sgDirection(Direction direction, std::size_t length) {
    if (length == 0) {
        return SG_DXFER_NONE;
    }
    switch (direction) {
        case Direction::In:
            return SG_DXFER_FROM_DEV;
        case Direction::Out:
            return SG_DXFER_TO_DEV;
        case Direction::None:
            break;
    }
    return SG_DXFER_NONE;
}

unsigned timeoutMs(std::chrono::milliseconds timeout) {
    return static_cast<unsigned>(std::clamp<std::chrono::milliseconds::rep>(
        timeout.count(), 0, std::numeric_limits<unsigned>::max()));
}

TransportError openError(const std::string& path, int error) {
    if (error == EACCES || error == EPERM) {
        // The usual cause: the drive's node belongs to a group this user is
        // not in. Say so, rather than leave the user with a bare errno.
        return {error, "this user may not open " + path + " (" + std::strerror(error) +
                           "): it takes membership of the device's group or a change of its "
                           "permissions"};
    }
    return {error, "cannot open " + path + ": " + std::strerror(error)};
}
}  // namespace

Result SgTransport::execute(std::span<const std::uint8_t> cdb, Direction direction,
                            std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) {
    return executeSgIo([this](sg_io_hdr& io) { return ::ioctl(fd_, SG_IO, &io); }, path_, cdb,
                       direction, buffer, timeout);
}

Result executeSgIo(const SgIoCall& call, std::string_view device, std::span<const std::uint8_t> cdb,
                   Direction direction, std::span<std::uint8_t> buffer,
                   std::chrono::milliseconds timeout) {
    Result result;
    result.error = checkRequest(cdb, buffer.size());
    if (result.transportFailed()) {
        result.error.text = std::string(device) + ": " + result.error.text;
        return result;
    }
    const std::size_t length = direction == Direction::None ? 0 : buffer.size();
    std::array<std::uint8_t, kSenseBufferSize> sense{};

    sg_io_hdr_t io{};
    io.interface_id = 'S';
    io.cmd_len = static_cast<unsigned char>(cdb.size());
    // The kernel only reads the CDB; the field is not const in its header.
    io.cmdp = const_cast<unsigned char*>(cdb.data());
    io.dxfer_direction = sgDirection(direction, length);
    io.dxfer_len = static_cast<unsigned>(length);
    io.dxferp = length ? buffer.data() : nullptr;
    io.mx_sb_len = static_cast<unsigned char>(sense.size());
    io.sbp = sense.data();
    io.timeout = timeoutMs(timeout);

    if (call(io) < 0) {
        result.error = sgIoctlError(errno, cdb[0], device);
        return result;
    }
    result.error = sgCompletionError(io.host_status, io.driver_status, cdb[0], device);
    if (result.transportFailed()) {
        return result;
    }
    result.status = io.status;
    const std::size_t senseLength = std::min<std::size_t>(io.sb_len_wr, sense.size());
    if (senseLength > 0) {
        result.sense = toFixedSense(std::span<const std::uint8_t>(sense.data(), senseLength));
    }
    // The residual is the adapter's word; keep it inside what was asked for.
    const std::size_t residual =
        io.resid > 0 ? std::min<std::size_t>(static_cast<std::size_t>(io.resid), length) : 0;
    result.transferred = length - residual;
    // The kernel stops the data at the buffer and says nothing of the rest:
    // a buffer filled to its end that is shorter than what the command asks
    // for is taken as a drive that had more.
    const std::size_t room = direction == Direction::In ? length : 0;
    const std::optional<std::size_t> promised =
        direction == Direction::Out ? std::nullopt : promisedDataIn(cdb);
    result.overrun = result.ok() && promised && *promised > room && result.transferred == room;
    return result;
}

std::unique_ptr<Transport> openSgTransport(const std::string& devicePath, TransportError& error) {
    // Read-write lets an unprivileged user send MODE SELECT through the
    // kernel's opcode filter; read-only is enough for everything else, so a
    // device node we may only read is still usable. O_NONBLOCK opens a drive
    // without a medium or with its tray open.
    int fd = ::open(devicePath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && (errno == EACCES || errno == EPERM || errno == EROFS)) {
        fd = ::open(devicePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    }
    if (fd < 0) {
        error = openError(devicePath, errno);
        return nullptr;
    }
    int version = 0;
    if (::ioctl(fd, SG_GET_VERSION_NUM, &version) < 0 || version < kMinimumSgVersion) {
        const int cause = errno;
        ::close(fd);
        error = {ENOTTY, devicePath + " is not a SCSI device that takes SG_IO (" +
                             (version ? "driver version " + std::to_string(version)
                                      : std::string(std::strerror(cause))) +
                             ")"};
        return nullptr;
    }
    error = {};
    return std::make_unique<SgTransport>(fd, devicePath);
}

}  // namespace kel::scsi
