// A transport for tests: it keeps every command a program sends, byte for
// byte, and answers from a script, so a test can assert the exact CDBs and
// parameter lists and play any drive reply, faults included.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/scsi/transport.h"

namespace kel::scsi {

struct RecordedCommand {
    std::vector<std::uint8_t> cdb;
    Direction direction = Direction::None;
    std::size_t bufferSize = 0;
    std::chrono::milliseconds timeout{0};
    std::vector<std::uint8_t> dataOut;  // what the drive was given, for Direction::Out
};

struct ScriptedReply {
    std::vector<std::uint8_t> data;  // copied into an In buffer, cut to its size
    std::uint8_t status = status::kGood;
    Sense sense;
    std::optional<std::size_t> transferred;  // default: the bytes copied (In) or given (Out)
    TransportError error;                    // set: the command "did not come back"

    static ScriptedReply good(std::vector<std::uint8_t> data = {});
    static ScriptedReply checkCondition(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
    static ScriptedReply transportError(int code, std::string text);
};

class RecordingTransport final : public Transport {
public:
    // Answers the command with the buffer it was given, once the queue is empty.
    using Responder = std::function<Result(const RecordedCommand&, std::span<std::uint8_t>)>;

    void queue(ScriptedReply reply);
    void setResponder(Responder responder);

    std::vector<RecordedCommand> commands() const;
    std::size_t pendingReplies() const;
    void clearCommands();

    // Records every command, even a malformed one; that one fails as on a real
    // backend and consumes no reply. With no reply queued and no responder the
    // command fails with ENOMSG, so a test that scripted too little sees it.
    Result execute(std::span<const std::uint8_t> cdb, Direction direction,
                   std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedCommand> commands_;
    std::deque<ScriptedReply> replies_;
    Responder responder_;
};

// Hands its owner a transport object of its own over a drive the test keeps.
class SharedTransport final : public Transport {
public:
    explicit SharedTransport(std::shared_ptr<Transport> target) : target_(std::move(target)) {}
    Result execute(std::span<const std::uint8_t> cdb, Direction direction,
                   std::span<std::uint8_t> buffer, std::chrono::milliseconds timeout) override {
        return target_->execute(cdb, direction, buffer, timeout);
    }

private:
    std::shared_ptr<Transport> target_;
};

}  // namespace kel::scsi
