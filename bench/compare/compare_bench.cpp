// A 650 MB disc compared with a copy of it end to end: the compare window
// (offscreen) and its worker through the drive server on two emulated drives,
// against `cmp` of the two BIN files in the same run.
//   compare_bench [--busy]
// --busy keeps a busy loop running on every processor through both timed
// runs, as on a machine that is doing other work.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QLineEdit>
#include <QProcess>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/common/bench_disc.h"
#include "frontend/common/icons.h"
#include "frontend/common/kelcd.h"
#include "frontend/compare/tfcompare.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using kel::bench::kRawSize;
using kel::bench::seconds;

constexpr double kTargetRatio = 4.0;
constexpr double kBusyTargetRatio = 8.0;
// The copy differs from the master in one byte of the last sector's user
// data: cmp then reads both files to their end as the compare does, and the
// report has one known difference to check.
constexpr std::size_t kChangedOffset = 1000;

int fail(const std::string& text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return 1;
}

// The copy's files, the link and runtime folders and "KEL.INI": removed
// with the object.
class WorkFolder {
public:
    WorkFolder() {
        std::random_device random;
        do {
            path_ = fs::temp_directory_path() / ("kel-compare-bench-" + std::to_string(random()));
        } while (!fs::create_directory(path_));
    }
    ~WorkFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// The master's BIN under a name, a CUE sheet and a descriptor of its own, so
// that its emulated drive keeps a state file apart from the master's.
std::optional<fs::path> makeCopy(const kel::bench::BenchDisc& master, const fs::path& folder) {
    const fs::path bin = folder / "copy.bin";
    std::error_code error;
    if (!fs::copy_file(master.bin(), bin, error)) {
        fail("cannot copy " + master.bin().string() + ": " + error.message());
        return std::nullopt;
    }
    std::fstream file(bin, std::ios::in | std::ios::out | std::ios::binary);
    const auto at = static_cast<std::streamoff>((master.sectors() - 1) * kRawSize + kChangedOffset);
    char byte = 0;
    file.seekg(at);
    file.get(byte);
    file.seekp(at);
    file.put(static_cast<char>(~byte));
    if (!file.good()) {
        fail("cannot change a byte of " + bin.string());
        return std::nullopt;
    }

    std::stringstream cue;
    cue << std::ifstream(master.disc().cue).rdbuf();
    std::string sheet = cue.str();
    const std::string masterName = master.bin().filename().string();
    const std::size_t name = sheet.find(masterName);
    if (name == std::string::npos) {
        fail("the master's CUE sheet does not name " + masterName);
        return std::nullopt;
    }
    sheet.replace(name, masterName.size(), bin.filename().string());
    std::ofstream(folder / "copy.cue") << sheet;
    std::ofstream(folder / "copy.emu") << "[disc]\nimage = copy.cue\n";
    return folder / "copy.emu";
}

// One process per processor, each spinning until this object goes (or this
// program ends: they are bound to it).
class BusyLoops {
public:
    BusyLoops() {
        const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
        for (unsigned i = 0; i < processors; ++i) {
            const pid_t child = ::fork();
            if (child == 0) {
                ::prctl(PR_SET_PDEATHSIG, SIGKILL);
                volatile unsigned long spin = 0;
                for (;;) {
                    spin = spin + 1;
                }
            }
            if (child > 0) {
                children_.push_back(child);
            }
        }
    }
    ~BusyLoops() {
        for (const pid_t child : children_) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
    }
    BusyLoops(const BusyLoops&) = delete;
    BusyLoops& operator=(const BusyLoops&) = delete;

    std::size_t count() const { return children_.size(); }

private:
    std::vector<pid_t> children_;
};

// Runs the event loop, idle as the program's own would be, until `done`;
// false after `limit`.
template <typename Done>
bool serveUntil(Done done, std::chrono::seconds limit) {
    const auto deadline = Clock::now() + limit;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (done() || Clock::now() >= deadline) {
            loop.quit();
        }
    });
    check.start(10);
    if (!done()) {
        loop.exec();
    }
    return done();
}

// cmp of the two files; its output, or nothing when it did not run.
std::optional<QString> runCmp(const fs::path& a, const fs::path& b) {
    QProcess cmp;
    cmp.start(QStringLiteral("cmp"),
              {QString::fromStdString(a.string()), QString::fromStdString(b.string())});
    if (!cmp.waitForFinished(-1) || cmp.exitStatus() != QProcess::NormalExit) {
        fail("cmp did not run");
        return std::nullopt;
    }
    return QString::fromLocal8Bit(cmp.readAllStandardOutput());
}

// The report of a run over the whole disc must name the one changed byte's
// sector and nothing else, and count every sector.
bool reportIsRight(const QString& report, std::int32_t sectors) {
    const QString difference =
        QStringLiteral("     ERROR Data field difference\n  FRAME: %1\n").arg(sectors - 1);
    const QString total = QStringLiteral("Total sectors compared: %1").arg(sectors);
    if (!report.contains(difference) || report.count(QStringLiteral("ERROR")) != 1 ||
        !report.endsWith(total)) {
        fail("unexpected compare report:\n" + report.toStdString());
        return false;
    }
    return true;
}

int run(bool busy) {
    kel::bench::BenchDisc master;
    WorkFolder work;
    const std::optional<fs::path> copy = makeCopy(master, work.path());
    if (!copy) {
        return 1;
    }
    ::setenv("KEL_LINK_DIR", (work.path() / "link").c_str(), 1);
    ::setenv("KEL_RUNTIME_DIR", (work.path() / "run").c_str(), 1);
    ::setenv("KEL_DRIVES",
             ("D:=" + master.disc().descriptor.string() + ";E:=" + copy->string() + ";").c_str(),
             1);

    const std::int32_t sectors = master.sectors();
    const std::uint64_t changedByte = std::uint64_t(sectors - 1) * kRawSize + kChangedOffset + 1;
    // Untimed, so that both files are in the page cache for both timed runs.
    if (!runCmp(master.bin(), work.path() / "copy.bin")) {
        return 1;
    }

    kel::frontend::Tkelcd client;
    kel::frontend::Ticons icons(client);
    kel::compare::TFcompareOptions options = kel::compare::DefaultCompareOptions();
    options.IniPath = work.path() / "KEL.INI";
    std::string told;
    options.Tell = [&told](const QString& message) { told = message.toStdString(); };
    options.AskYesNo = [&told](const QString& question) {
        told = question.toStdString();
        return false;
    };
    kel::compare::TFcompare form(client, icons, options);
    client.Formcreate();
    form.show();
    auto* copyList = form.findChild<QComboBox*>(QStringLiteral("DR_c1"));
    if (!serveUntil(
            [&] { return copyList->count() >= 2 || client.HandshakeFailed() || !told.empty(); },
            std::chrono::seconds(30)) ||
        copyList->count() < 2) {
        return fail("the compare window did not list both drives. " + told);
    }
    form.findChild<QLineEdit*>(QStringLiteral("Setmin"))->setText(QStringLiteral("0"));
    form.findChild<QLineEdit*>(QStringLiteral("setmax"))->setText(QString::number(sectors));

    std::optional<BusyLoops> busyLoops;
    if (busy) {
        busyLoops.emplace();
    }
    const auto compareStart = Clock::now();
    form._comparecds();
    if (!form.Running()) {
        return fail("the compare did not start. " + told);
    }
    if (!serveUntil([&form] { return !form.Running(); }, std::chrono::hours(1))) {
        return fail("the compare did not end within an hour");
    }
    const double compareSeconds = seconds(Clock::now() - compareStart);
    if (!reportIsRight(form.Results().toPlainText(), sectors)) {
        return 1;
    }

    const auto cmpStart = Clock::now();
    const std::optional<QString> cmpSays = runCmp(master.bin(), work.path() / "copy.bin");
    const double cmpSeconds = seconds(Clock::now() - cmpStart);
    const std::size_t busyCount = busyLoops ? busyLoops->count() : 0;
    busyLoops.reset();
    if (!cmpSays || !cmpSays->contains(QStringLiteral("differ: byte %1,").arg(changedByte))) {
        return fail("cmp found another difference: " + cmpSays.value_or("").toStdString());
    }

    const double megabytes = 2.0 * sectors * kRawSize / 1e6;
    std::printf("cmp of the two BIN files:      %7.2f s (%7.1f MB/s over both)\n", cmpSeconds,
                megabytes / cmpSeconds);
    std::printf("compare window through server: %7.2f s (%7.1f MB/s over both)\n", compareSeconds,
                megabytes / compareSeconds);
    if (busyCount > 0) {
        std::printf("with a busy loop on each of %zu processors\n", busyCount);
    }
    std::printf("ratio: %.2f (target <= %.0f)\n", compareSeconds / cmpSeconds,
                busyCount > 0 ? kBusyTargetRatio : kTargetRatio);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    // The window is shown on no screen.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const bool busy = argc > 1 && std::string(argv[1]) == "--busy";
    return run(busy);
}
