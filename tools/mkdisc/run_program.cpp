#include "tools/mkdisc/run_program.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

extern char** environ;

namespace kel::mkdisc {

namespace {

// posix_spawn file actions, released on every path out.
class FileActions {
public:
    FileActions() { posix_spawn_file_actions_init(&actions_); }
    ~FileActions() { posix_spawn_file_actions_destroy(&actions_); }
    FileActions(const FileActions&) = delete;
    FileActions& operator=(const FileActions&) = delete;
    posix_spawn_file_actions_t* get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

}  // namespace

std::variant<ProgramRun, std::string> runProgram(const std::vector<std::string>& argv,
                                                 const std::filesystem::path& logFile) {
    if (argv.empty()) {
        return std::string("no program to run");
    }
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    FileActions actions;
    const std::string log = logFile.string();
    posix_spawn_file_actions_addopen(actions.get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(actions.get(), 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(actions.get(), 1, 2);

    pid_t pid = 0;
    const int spawnError =
        posix_spawnp(&pid, args[0], actions.get(), nullptr, args.data(), environ);
    if (spawnError == ENOENT) {
        return "cannot run " + argv[0] + ": not installed (not found in PATH)";
    }
    if (spawnError != 0) {
        return "cannot run " + argv[0] + ": " + std::strerror(spawnError);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return "lost " + argv[0] + ": " + std::strerror(errno);
        }
    }

    ProgramRun run;
    std::ifstream in(logFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run.output = text.str();
    if (!WIFEXITED(status)) {
        return argv[0] + " was killed by signal " + std::to_string(WTERMSIG(status)) + "\n" +
               outputTail(run.output, 5);
    }
    run.exitCode = WEXITSTATUS(status);
    return run;
}

std::string outputTail(const std::string& output, int maxLines) {
    std::size_t start = output.size();
    // Skip the final newline, then walk back over maxLines lines.
    if (start > 0 && output[start - 1] == '\n') {
        --start;
    }
    for (int lines = 0; start > 0; --start) {
        if (output[start - 1] == '\n' && ++lines == maxLines) {
            break;
        }
    }
    std::string tail = output.substr(start);
    while (!tail.empty() && tail.back() == '\n') {
        tail.pop_back();
    }
    return tail;
}

}  // namespace kel::mkdisc
