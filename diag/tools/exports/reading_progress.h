// The progress window of the sub-channel export: a bar over the track's
// blocks and a Cancel button that asks the current device to stop. It runs
// on the main thread while the export's loop lets window messages through.
#pragma once

#include <cstdint>
#include <memory>

namespace kel::diag {

class ReadingProgressDialog;

class ReadingProgress {
public:
    // Opens the window for the blocks first .. end; without an application
    // there is no window and the calls do nothing.
    ReadingProgress(std::int32_t first, std::int32_t end);
    ReadingProgress(const ReadingProgress&) = delete;
    ReadingProgress& operator=(const ReadingProgress&) = delete;
    // Closes the window.
    ~ReadingProgress();

    // Moves the bar to `block` and lets waiting window messages run.
    void Advance(std::int32_t block);

private:
    std::unique_ptr<ReadingProgressDialog> dialog_;
};

}  // namespace kel::diag
