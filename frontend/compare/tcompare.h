// tcompare: the compare worker. Reads the same range of raw sectors from the
// master and the copy through the drive server, block by block, and reports
// every difference, the progress and a summary through its view.
//
// Its requests go through the client from this thread; the client's replies
// are handled on the main thread, which must keep running its event loop
// while the worker runs. Everything it shows runs on the main thread too
// (through `mainThread`); the worker waits for all of it but the progress.
// So the main thread must never block on the worker: to stop it, ask with
// requestInterruption() and keep serving events until finished() arrives.
#pragma once

#include <QObject>
#include <QThread>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "frontend/common/drive_server_client.h"
#include "frontend/compare/compare_data.h"
#include "frontend/compare/compare_view.h"

namespace kel::compare {

class tcompare : public QThread {
public:
    // `data` must be filled and stay untouched until the worker has ended;
    // `mainThread` lives on the thread that owns the client and the view.
    tcompare(frontend::DriveServerClient& client, CompareData& data, CompareView& view,
             QObject* mainThread);

    // 1 while no difference and no read error was met; what the summary
    // decides the polling by.
    std::uint8_t ResultFlag() const { return resultFlag_; }

protected:
    void run() override { Execute(); }

private:
    enum class Side { Master, Copy };

    void Execute();
    // Reads `count` sectors at CurrentLba into `into`; false (with the
    // messages shown) when the drive did not deliver them.
    bool ReadBlock(Side side, int count, std::vector<std::uint8_t>& into);
    // `noReply`: the server did not answer the read at all.
    void ReportReadError(Side side, bool noReply);
    void Summary();
    // Runs `step` on the main thread and waits until it has run.
    void synchronize(const std::function<void()>& step);
    // Hands the progress so far to the main thread without waiting.
    void PostProgress();
    void AddLines(const std::vector<ResultLine>& lines);

    frontend::DriveServerClient& client_;
    CompareData& data_;
    CompareView& view_;
    QObject* mainThread_;
    std::uint8_t resultFlag_ = 1;
    std::int32_t sectorsDone_ = 0;
    double progressStep_ = 0;
    // Whether the main thread has been handed the progress so far, and when
    // the next block's may be handed over.
    bool progressPosted_ = true;
    std::chrono::steady_clock::time_point nextProgress_;
};

}  // namespace kel::compare
