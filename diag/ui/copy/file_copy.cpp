#include "diag/ui/copy/file_copy.h"

#include <algorithm>
#include <array>
#include <string>
#include <system_error>

#include "diag/ui/copy/block_reads.h"
#include "diag/ui/copy/copy_dates.h"
#include "diag/ui/copy/copy_names.h"
#include "diag/ui/copy/file_runs.h"
#include "diag/ui/copy/part_file.h"

namespace kel::diag {
namespace {

namespace fs = std::filesystem;

// Directories deeper than this are damage (a loop), not a tree to copy.
constexpr int kMaxDepth = 64;

bool IsRoot(const FileNode& node) {
    return node.parent == nullptr;
}

class TreeCopy {
public:
    TreeCopy(CdDevice& device, const fs::path& folder, const CopySettings& settings,
             CopyQuestions& questions, std::uint64_t total)
        : folder_(folder),
          settings_(settings),
          questions_(questions),
          reads_(device, settings, questions, outcome_),
          total_(total) {}

    void CopyNode(const FileNode& node, const fs::path& into, int depth) {
        if (outcome_.stopped || IsDotEntry(node)) {
            return;
        }
        if (IsDirectory(node) && IsRoot(node)) {
            CopyChildren(node, into, depth);
            return;
        }
        const fs::path path = into / CopyNameOf(node);
        if (!LiesInside(folder_, path)) {
            problem(path, "its name leads outside the chosen folder");
            return;
        }
        if (IsDirectory(node)) {
            CopyDirectory(node, path, depth);
        } else {
            CopyFile(node, path);
        }
    }

    CopyOutcome take() { return std::move(outcome_); }

private:
    void CopyChildren(const FileNode& directory, const fs::path& into, int depth) {
        if (depth >= kMaxDepth) {
            problem(into, "the directories nest too deep");
            return;
        }
        for (const FileNode* child = directory.firstChild; child != nullptr && !outcome_.stopped;
             child = child->next) {
            CopyNode(*child, into, depth + 1);
        }
    }

    void CopyDirectory(const FileNode& node, const fs::path& path, int depth) {
        std::error_code error;
        // A link in the target would lead the tree elsewhere.
        if (fs::is_symlink(path, error) ||
            (!fs::create_directory(path, error) && !fs::is_directory(path, error))) {
            problem(path, "the folder cannot be made");
            return;
        }
        CopyChildren(node, path, depth);
        KeepNodeTime(node, path);
    }

    void CopyFile(const FileNode& node, const fs::path& path) {
        std::error_code error;
        const fs::file_status status = fs::symlink_status(path, error);
        if (fs::exists(status)) {
            if (fs::is_directory(status)) {
                problem(path, "a folder of that name is in the way");
                return;
            }
            if (settings_.promptOverwrite && !questions_.overwrite(path)) {
                return;
            }
        }
        const FileRuns runs = FileRunsOf(node);
        if (!runs.problem.empty()) {
            problem(path, runs.problem);
            return;
        }
        PartFile out(path);
        if (!out.ok()) {
            problem(path, "it cannot be written");
            return;
        }
        const std::string what = path.lexically_relative(folder_).string();
        for (const DiscRun& run : runs.runs) {
            if (!CopyRun(run, out, what)) {
                return;
            }
        }
        if (!out.Commit()) {
            problem(path, "it cannot be written");
            return;
        }
        KeepNodeTime(node, path);
        ++outcome_.files;
    }

    // False when the copy of this file ends here.
    bool CopyRun(const DiscRun& run, PartFile& out, const std::string& what) {
        if (!run.embedded.empty() || run.zeros) {
            std::array<std::uint8_t, kCopyBlockBytes> zeros{};
            for (std::uint64_t at = 0; at < run.length; at += kCopyBlockBytes) {
                const std::size_t take =
                    static_cast<std::size_t>(std::min(kCopyBlockBytes, run.length - at));
                const std::span<const std::uint8_t> bytes =
                    run.zeros ? std::span<const std::uint8_t>(zeros).first(take)
                              : std::span<const std::uint8_t>(run.embedded).subspan(at, take);
                if (!write(out, bytes, what)) {
                    return false;
                }
            }
            return true;
        }
        std::array<std::uint8_t, kCopyBlockBytes> block{};
        for (std::uint64_t at = run.offset, end = run.offset + run.length; at < end;) {
            const std::uint64_t within = at % kCopyBlockBytes;
            const std::size_t take =
                static_cast<std::size_t>(std::min(kCopyBlockBytes - within, end - at));
            if (!reads_.Read(static_cast<std::int64_t>(at / kCopyBlockBytes), block, what)) {
                return false;
            }
            if (!write(out, std::span<const std::uint8_t>(block).subspan(within, take), what)) {
                return false;
            }
            at += take;
        }
        return true;
    }

    bool write(PartFile& out, std::span<const std::uint8_t> bytes, const std::string& what) {
        if (!out.Write(bytes)) {
            problem(folder_ / what, "it cannot be written");
            // A full or failing target fails every file after this one too.
            outcome_.stopped = true;
            return false;
        }
        done_ += bytes.size();
        if (!questions_.progress(done_, total_)) {
            outcome_.stopped = true;
            return false;
        }
        return true;
    }

    void problem(const fs::path& path, const std::string& reason) {
        outcome_.problems.push_back(path.lexically_relative(folder_).string() + ": " + reason);
    }

    const fs::path folder_;
    const CopySettings& settings_;
    CopyQuestions& questions_;
    CopyOutcome outcome_;
    BlockReads reads_;
    std::uint64_t total_;
    std::uint64_t done_ = 0;
};

void AddBytes(const FileNode& node, std::uint64_t& total, int depth) {
    if (IsDotEntry(node)) {
        return;
    }
    if (!IsDirectory(node)) {
        total += node.size;
        return;
    }
    if (depth >= kMaxDepth) {
        return;
    }
    for (const FileNode* child = node.firstChild; child != nullptr; child = child->next) {
        AddBytes(*child, total, depth + 1);
    }
}

}  // namespace

std::uint64_t BytesBelow(const std::vector<const FileNode*>& nodes) {
    std::uint64_t total = 0;
    for (const FileNode* node : nodes) {
        AddBytes(*node, total, 0);
    }
    return total;
}

CopyOutcome CopyNodes(CdDevice& device, const std::vector<const FileNode*>& nodes,
                      const std::filesystem::path& folder, const CopySettings& settings,
                      CopyQuestions& questions) {
    TreeCopy copy(device, folder, settings, questions, BytesBelow(nodes));
    for (const FileNode* node : nodes) {
        copy.CopyNode(*node, folder, 0);
    }
    return copy.take();
}

}  // namespace kel::diag
