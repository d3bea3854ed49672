// Every string-table id written in the program's code has an entry.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "diag/ui/help_contexts.h"
#include "diag/ui/help_file.h"
#include "diag/ui/string_table.h"
#include "platform/base/paths.h"

namespace kel::diag {
namespace {

// The calls that take an id, and which arguments may hold it. The drive
// objects report through show(id, ...) and show(profile, id, ...).
const std::map<std::string, std::vector<std::size_t>> kIdCalls = {
    {"ShowMessage", {0}},      {"ShowMessageTo", {1}},   {"LoadResString", {0}},
    {"LoadFilterString", {0}}, {"ShowGuide", {0}},       {"MessageArg", {0}},
    {"StatusText", {0}},       {"AddAnalysisLine", {0}}, {"show", {0, 1}}};

// The arguments of the call whose "(" is at `open`, split at top-level commas.
std::vector<std::string> arguments(const std::string& text, std::size_t open) {
    std::vector<std::string> args(1);
    int depth = 0;
    for (std::size_t i = open + 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') {
            ++depth;
        } else if (c == ')') {
            if (depth-- == 0) {
                return args;
            }
        } else if (c == ',' && depth == 0) {
            args.emplace_back();
            continue;
        }
        args.back() += c;
    }
    return {};
}

// (file:line, id) for every id literal passed to one of the calls.
std::vector<std::pair<std::string, int>> usedIds(const std::filesystem::path& root) {
    static const std::regex call(R"(\b(\w+)\s*\()");
    static const std::regex literal(R"(^\s*(\d+)\b)");
    std::vector<std::pair<std::string, int>> used;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto extension = entry.path().extension();
        if (extension != ".cpp" && extension != ".h") {
            continue;
        }
        std::ifstream in(entry.path());
        std::ostringstream buffer;
        buffer << in.rdbuf();
        const std::string text = buffer.str();
        for (auto it = std::sregex_iterator(text.begin(), text.end(), call);
             it != std::sregex_iterator(); ++it) {
            const auto found = kIdCalls.find((*it)[1].str());
            if (found == kIdCalls.end()) {
                continue;
            }
            const std::size_t open = it->position() + it->length() - 1;
            const std::vector<std::string> args = arguments(text, open);
            for (std::size_t index : found->second) {
                std::smatch number;
                if (index < args.size() && std::regex_search(args[index], number, literal)) {
                    const auto line = std::count(text.begin(), text.begin() + open, '\n') + 1;
                    used.emplace_back(entry.path().string() + ":" + std::to_string(line),
                                      std::stoi(number[1]));
                    break;
                }
            }
        }
    }
    return used;
}

TEST(UsedStringIds, EveryIdTheCodeUsesIsInTheTable) {
    const auto used = usedIds(std::filesystem::path(KEL_SOURCE_DIR) / "diag");
    std::set<int> ids;
    for (const auto& [where, id] : used) {
        ids.insert(id);
        EXPECT_TRUE(StringTableEntry(id).has_value()) << "id " << id << " used at " << where;
    }
    // The scan itself finds the ids this library uses.
    EXPECT_TRUE(ids.count(111) && ids.count(902) && ids.count(903));
}

// The help file the build puts beside the programs, named and read as the
// program does, explains every context a window opens and every message an
// analysis line can carry (the preferences' control topics are checked with
// the sheet).
TEST(UsedStringIds, TheShippedHelpHasATopicForEveryContextAndAnalysisLine) {
    SetHelpFilePath(HelpFilePath((paths::programDir() / "MORVALE").string()));
    const HelpParse help = ReadProgramHelp();
    SetHelpFilePath({});
    ASSERT_TRUE(help.document) << help.error;
    for (const int context : help_context::kAll) {
        EXPECT_NE(help.document->Find(context), nullptr) << "context " << context;
    }
    int analysisIds = 0;
    for (const int id : StringTableIds()) {
        if (id >= 15000 && id < 16000) {
            ++analysisIds;
            EXPECT_NE(help.document->Find(id), nullptr) << "analysis message " << id;
        }
    }
    EXPECT_GT(analysisIds, 80);
}

}  // namespace
}  // namespace kel::diag
