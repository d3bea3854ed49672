#include "platform/scsi/recording_transport.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "platform/scsi/request_check.h"

namespace kel::scsi {

namespace {
Result play(const ScriptedReply& reply, Direction direction, std::span<std::uint8_t> buffer) {
    Result result;
    result.error = reply.error;
    if (result.transportFailed()) {
        return result;
    }
    result.status = reply.status;
    result.sense = reply.sense;
    std::size_t moved = 0;
    if (direction == Direction::In) {
        moved = std::min(reply.data.size(), buffer.size());
        std::copy_n(reply.data.begin(), moved, buffer.begin());
    } else if (direction == Direction::Out) {
        moved = buffer.size();
    }
    // A real backend never reports more than the buffer holds; neither does this one.
    result.transferred = std::min(reply.transferred.value_or(moved),
                                  direction == Direction::None ? 0 : buffer.size());
    // As a real backend says of a drive that had more than the buffer held.
    result.overrun = reply.status == status::kGood &&
                     reply.data.size() > (direction == Direction::In ? buffer.size() : 0);
    return result;
}
}  // namespace

ScriptedReply ScriptedReply::good(std::vector<std::uint8_t> data) {
    ScriptedReply reply;
    reply.data = std::move(data);
    return reply;
}

ScriptedReply ScriptedReply::checkCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
    ScriptedReply reply;
    reply.status = status::kCheckCondition;
    reply.sense = Sense::make(key, asc, ascq);
    reply.transferred = 0;
    return reply;
}

ScriptedReply ScriptedReply::transportError(int code, std::string text) {
    ScriptedReply reply;
    reply.error = {code, std::move(text)};
    return reply;
}

void RecordingTransport::queue(ScriptedReply reply) {
    std::lock_guard lock(mutex_);
    replies_.push_back(std::move(reply));
}

void RecordingTransport::setResponder(Responder responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<RecordedCommand> RecordingTransport::commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

std::size_t RecordingTransport::pendingReplies() const {
    std::lock_guard lock(mutex_);
    return replies_.size();
}

void RecordingTransport::clearCommands() {
    std::lock_guard lock(mutex_);
    commands_.clear();
}

Result RecordingTransport::execute(std::span<const std::uint8_t> cdb, Direction direction,
                                   std::span<std::uint8_t> buffer,
                                   std::chrono::milliseconds timeout) {
    RecordedCommand command{{cdb.begin(), cdb.end()}, direction, buffer.size(), timeout, {}};
    if (direction == Direction::Out) {
        command.dataOut.assign(buffer.begin(), buffer.end());
    }
    Responder responder;
    std::optional<ScriptedReply> reply;
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(command);
        Result invalid;
        invalid.error = checkRequest(cdb, buffer.size());
        if (invalid.transportFailed()) {
            return invalid;
        }
        if (!replies_.empty()) {
            reply = std::move(replies_.front());
            replies_.pop_front();
        } else {
            responder = responder_;
        }
    }
    if (reply) {
        return play(*reply, direction, buffer);
    }
    // The responder runs unlocked: it may well inspect commands() itself.
    if (responder) {
        return responder(command, buffer);
    }
    Result unscripted;
    char text[64];
    std::snprintf(text, sizeof text, "recording transport: no reply scripted for command 0x%02X",
                  cdb[0]);
    unscripted.error = {ENOMSG, text};
    return unscripted;
}

}  // namespace kel::scsi
