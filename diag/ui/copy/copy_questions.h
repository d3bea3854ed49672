// What a copy asks of its user while it runs, and what it tells at the end:
// the dialogs answer in the program, a test's own answers in tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kel::diag {

enum class ReadErrorChoice { Retry, Skip, Stop };

// A block that could not be read and was written as zeros.
struct LostBlock {
    std::string what;  // the file's path below the target folder, or the image's name
    std::int64_t block = 0;
    bool operator==(const LostBlock&) const = default;
};

class CopyQuestions {
public:
    virtual ~CopyQuestions() = default;
    // CopyPrompt: whether the existing file may be replaced.
    virtual bool overwrite(const std::filesystem::path& path) = 0;
    // AcceptErrors off: what to do about an unreadable block of `what`.
    virtual ReadErrorChoice readError(const std::string& what, std::int64_t block) = 0;
    // `done` of `total` bytes are copied; false when the user cancelled.
    virtual bool progress(std::uint64_t done, std::uint64_t total) = 0;
};

struct CopySettings {
    bool acceptErrors = false;     // "AcceptErrors"
    bool promptOverwrite = false;  // "CopyPrompt"
};

struct CopyOutcome {
    std::vector<LostBlock> lost;
    // Entries that could not be copied at all, each with its reason.
    std::vector<std::string> problems;
    std::uint64_t files = 0;  // written under their final names
    bool stopped = false;     // by the user: Stop or Cancel
};

}  // namespace kel::diag
