#include "frontend/compare/tcompare.h"

#include <QMetaObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>

#include "frontend/common/kel_cd_data.h"
#include "frontend/compare/time_texts.h"
#include "server/request_codes.h"

namespace kel::compare {
namespace {

using frontend::KelCdData;

constexpr std::uint32_t kSeekCommand = kel::kAudioSeek & 0xFF;
constexpr std::uint32_t kReadRawCommand = kel::kDiscReadRaw & 0xFF;
constexpr std::uint32_t kDeviceStatusCommand = kel::kDriveDeviceStatus & 0xFF;
// The form draws the progress a few dozen times a second. Handing it over
// after every block would wake the main thread once a block for values it
// never draws, and on a busy machine take the processor from the drive
// server that the next block waits for.
constexpr std::chrono::milliseconds kProgressInterval{20};

}  // namespace

tcompare::tcompare(frontend::DriveServerClient& client, CompareData& data, CompareView& view,
                   QObject* mainThread)
    : client_(client), data_(data), view_(view), mainThread_(mainThread) {}

void tcompare::synchronize(const std::function<void()>& step) {
    std::atomic<bool> done{false};
    // Signals when the main thread's copy of the call is gone: after it ran,
    // or unrun when its event was discarded (the form going away).
    class Completion {
    public:
        explicit Completion(std::atomic<bool>& flag) : flag_(flag) {}
        Completion(const Completion&) = delete;
        Completion& operator=(const Completion&) = delete;
        ~Completion() {
            flag_.store(true, std::memory_order_release);
            flag_.notify_one();
        }

    private:
        std::atomic<bool>& flag_;
    };
    auto completion = std::make_shared<Completion>(done);
    QMetaObject::invokeMethod(
        mainThread_, [&step, completion] { step(); }, Qt::QueuedConnection);
    completion.reset();
    done.wait(false, std::memory_order_acquire);
}

void tcompare::PostProgress() {
    // The progress goes by copy and in order, and the worker does not wait
    // for it to be drawn: waiting would hold every block until the main
    // thread got a processor, which on a busy machine costs more than the
    // block's reads. A block's lines and the summary still wait, so each
    // comes after the progress before it.
    const std::int32_t sectorsDone = sectorsDone_;
    const int position =
        progressStep_ > 0
            ? std::clamp(static_cast<int>(std::lround(sectorsDone / progressStep_)), 0, 100)
            : 100;
    CompareView* view = &view_;
    QMetaObject::invokeMethod(
        mainThread_, [view, position, sectorsDone] { view->ShowProgress(position, sectorsDone); },
        Qt::QueuedConnection);
    progressPosted_ = true;
    nextProgress_ = std::chrono::steady_clock::now() + kProgressInterval;
}

void tcompare::AddLines(const std::vector<ResultLine>& lines) {
    if (lines.empty()) {
        return;
    }
    synchronize([this, &lines] { view_.AddResultLines(lines); });
}

void tcompare::Execute() {
    resultFlag_ = 1;
    // The range comes from the user's fields and may span more than an
    // LBA holds.
    progressStep_ = static_cast<double>(std::int64_t{data_.EndLba} - data_.StartLba) * 0.01;
    while (data_.CurrentLba < data_.EndLba) {
        const int count = static_cast<int>(
            std::min<std::int64_t>(std::int64_t{data_.EndLba} - data_.CurrentLba, kBlockSectors));
        if (!ReadBlock(Side::Master, count, data_.MasterBlock) ||
            !ReadBlock(Side::Copy, count, data_.CopyBlock)) {
            resultFlag_ = 0;
            break;
        }
        std::vector<ResultLine> lines;
        resultFlag_ = CompareBlock({data_.MasterBlock, data_.CopyBlock, count, data_.CurrentLba,
                                    data_.IgnoreSync, data_.Sync},
                                   lines);
        AddLines(lines);
        data_.CurrentLba += count;
        sectorsDone_ = data_.CurrentLba - data_.StartLba;
        progressPosted_ = false;
        if (std::chrono::steady_clock::now() >= nextProgress_) {
            PostProgress();
        }
        if (isInterruptionRequested()) {
            resultFlag_ = 1;
            break;
        }
    }
    // The run's last progress is shown before its summary, however it ended.
    if (!progressPosted_) {
        PostProgress();
    }
    synchronize([this] { Summary(); });
}

bool tcompare::ReadBlock(Side side, int count, std::vector<std::uint8_t>& into) {
    const std::size_t bytes = static_cast<std::size_t>(count) * kRawSector;
    if (into.size() < bytes) {
        ReportReadError(side, false);
        return false;
    }
    // The reply goes straight into the block: a copy less per read.
    KelCdData.ServerReplyBuffer = std::span(into).first(bytes);
    KelCdData.DriveNumber = side == Side::Master ? data_.MasterDevice : data_.CopyDevice;
    KelCdData.ParamA = data_.CurrentLba;
    KelCdData.ParamB = count;
    if (side == Side::Master) {
        client_._Send(kel::kGroupAudio, kel::kSubRun, kSeekCommand);
    }
    // The seek only moves the head ahead of the read; its failure (or that of
    // its position read) says nothing about the sectors.
    KelCdData.ReplyError = 0;
    KelCdData.LastReplySize = 0;
    client_._Send(kel::kGroupDisc, kel::kSubRead, kReadRawCommand);
    // Only a reply of exactly the sectors asked for fills the block: anything
    // else would leave stale bytes of the previous block in it.
    if (KelCdData.ReplyError != 0 || KelCdData.LastReplySize != bytes) {
        ReportReadError(side, KelCdData.ReplyError != 0 &&
                                  KelCdData.ReplyErrorCode == frontend::kNoServerReply);
        return false;
    }
    return true;
}

void tcompare::ReportReadError(Side side, bool noReply) {
    const bool master = side == Side::Master;
    std::string message = master ? "ERROR READING Master Disc" : "ERROR READING Copy Disc";
    // No reply at all: the server has ended or its link is gone, which says
    // nothing of the disc, and there is no one left to ask about the drive.
    if (noReply) {
        message = master ? "Drive Server Not Running - Master Disc"
                         : "Drive Server Not Running - Copy Disc";
    } else {
        KelCdData.DriveNumber = master ? data_.MasterDevice : data_.CopyDevice;
        client_._Send(kel::kGroupDrive, kel::kSubGet, kDeviceStatusCommand);
        if (KelCdData.ReplyError != 0) {
            message = master ? "Drive Door Opened - Master Disc" : "Drive Not Ready - Copy Disc";
        }
    }
    AddLines({{message, LineStyle::BoldRed}, {"Test terminated", LineStyle::BoldRed}});
}

void tcompare::Summary() {
    view_.StartSummary();
    const QDateTime finish = QDateTime::currentDateTime();
    view_.AddResultLine({"Finish time: " + TimeText(finish.time()).toStdString()});
    view_.AddResultLine({"Total time: " + TotalTimeText(data_.StartTime.msecsTo(finish))});
    view_.AddResultLine(
        {"Total sectors compared: " + std::to_string(data_.CurrentLba - data_.StartLba)});
    view_.RunFinished(resultFlag_ == 1);
}

}  // namespace kel::compare
