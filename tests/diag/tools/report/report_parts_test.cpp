// The pieces of the problem report that can be checked without a fault:
// exception names, the question, the header time, the report file's
// failure rules, the memory probe and the register dumps.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "diag/tools/report/exception_names.h"
#include "diag/tools/report/loaded_symbols.h"
#include "diag/tools/report/problem_report.h"
#include "diag/tools/report/register_dumps.h"
#include "diag/ui/messages.h"
#include "tests/support/temp_folder.h"

namespace kel::diag::report {
namespace {

namespace fs = std::filesystem;

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Two pages: the first readable, the second not.
class GuardedPages {
public:
    GuardedPages() {
        page_ = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        memory_ = static_cast<std::uint8_t*>(
            ::mmap(nullptr, 2 * page_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        for (std::size_t i = 0; i < page_; ++i) {
            memory_[i] = static_cast<std::uint8_t>(i);
        }
        ::mprotect(memory_ + page_, page_, PROT_NONE);
    }
    ~GuardedPages() { ::munmap(memory_, 2 * page_); }
    std::uintptr_t readable() const { return reinterpret_cast<std::uintptr_t>(memory_); }
    std::uintptr_t guard() const { return readable() + page_; }
    std::size_t page() const { return page_; }

private:
    std::size_t page_;
    std::uint8_t* memory_;
};

TEST(ExceptionNames, TableAndFallback) {
    EXPECT_STREQ(ExceptionName(0xC0000005), "Access violation");
    EXPECT_STREQ(ExceptionName(0x00000000), "Wait 0");
    EXPECT_STREQ(ExceptionName(0xC000013A), "Control-C exit");
    EXPECT_STREQ(ExceptionName(0xE06D7363), "Unknown");
    EXPECT_STREQ(ExceptionName(0xFFFFFFFF), "Unknown");
}

TEST(ExceptionNames, SignalsMapToTheirExceptions) {
    const std::uintptr_t sp = 0x7ffd00000000;
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGSEGV, SEGV_MAPERR, 0, sp)),
                 "Access violation");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGSEGV, SEGV_ACCERR, sp - 8, sp)),
                 "Stack overflow");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGSEGV, SEGV_ACCERR, sp + 4096, sp)),
                 "Stack overflow")
        << "a big frame moves the stack pointer past the guard first";
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGFPE, FPE_INTDIV, 0, sp)),
                 "Divide by zero");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGFPE, FPE_FLTINV, 0, sp)),
                 "Float invalid operation");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGILL, ILL_ILLOPC, 0, sp)),
                 "Illegal instruction");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGILL, ILL_PRVOPC, 0, sp)),
                 "Privileged instruction");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGBUS, BUS_ADRALN, 0, sp)),
                 "Data type misalignment");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGBUS, BUS_ADRERR, 0, sp)), "In page error");
    EXPECT_STREQ(ExceptionName(ExceptionCodeForSignal(SIGABRT, SI_TKILL, 0, sp)), "Unknown")
        << "an escaped exception ends in an abort";
}

TEST(FaultQuestion, TheStringTableQuestion) {
    const std::string pattern = LoadResString(401);
    char text[600];
    FormatFaultQuestion(text, sizeof text, pattern.c_str(), "Access violation", 0xBEEF);
    EXPECT_STREQ(text,
                 "Access violation Exception in Quillon at 0000beef\n\n"
                 "Do you want to create an bug report?");
    FormatFaultQuestion(text, sizeof text, pattern.c_str(), "Unknown", 0x7f0012345678);
    EXPECT_EQ(std::string(text).substr(0, 38), "Unknown Exception in Quillon at 7f0012");
}

TEST(FaultQuestion, CutToTheBufferAndOddPatterns) {
    char text[12];
    FormatFaultQuestion(text, sizeof text, "%s at %08x", "Access violation", 1);
    EXPECT_STREQ(text, "Access viol");
    char other[40];
    FormatFaultQuestion(other, sizeof other, "100%% %d %X%", "n", 0xab);
    EXPECT_STREQ(other, "100% %d AB%");
}

TEST(ReportHeaderTime, CivilDateOfTheEpochAndALeapDay) {
    std::uint16_t fields[8];
    SystemTimeFields(timespec{0, 0}, fields);
    EXPECT_EQ(std::vector<std::uint16_t>(fields, fields + 8),
              (std::vector<std::uint16_t>{1970, 1, 4, 1, 0, 0, 0, 0}));
    // 2024-02-29 23:59:58.789, a Thursday.
    SystemTimeFields(timespec{1709251198, 789000000}, fields);
    EXPECT_EQ(std::vector<std::uint16_t>(fields, fields + 8),
              (std::vector<std::uint16_t>{2024, 2, 4, 29, 23, 59, 58, 789}));
    // 2000-03-01 00:00:00, a Wednesday after the century's leap day.
    SystemTimeFields(timespec{951868800, 0}, fields);
    EXPECT_EQ(std::vector<std::uint16_t>(fields, fields + 8),
              (std::vector<std::uint16_t>{2000, 3, 3, 1, 0, 0, 0, 0}));
}

TEST(ReportHeaderTime, IdentityFieldsAreCutAndTerminated) {
    const ReportIdentity identity = ReadReportIdentity("1.2.3.4-and-a-very-long-tail");
    EXPECT_STREQ(identity.version, "1.2.3.4-and-a-very-");
    EXPECT_LT(std::strlen(identity.computerName), sizeof identity.computerName);
    EXPECT_LT(std::strlen(identity.userName), sizeof identity.userName);
}

TEST(ReportFileTest, NewNamesInTheFolder) {
    test::TempFolder folder;
    ReportFile first;
    ReportFile second;
    ASSERT_TRUE(first.Create((folder.path().string() + "/").c_str()));
    ASSERT_TRUE(second.Create(folder.path().c_str()));
    const fs::path a(first.path());
    const fs::path b(second.path());
    EXPECT_NE(a, b);
    EXPECT_EQ(a.parent_path(), folder.path());
    EXPECT_EQ(a.filename().string().substr(0, 3), "PRB");
    EXPECT_EQ(a.extension(), ".TMP");
    EXPECT_EQ(a.filename().string().size(), 11u);
}

TEST(ReportFileTest, NoFolderNoFile) {
    ReportFile file;
    EXPECT_FALSE(file.Create("/nonexistent-folder/below"));
    EXPECT_FALSE(file.WriteReportBlock("x", 1));
    EXPECT_FALSE(file.Close());
}

TEST(ReportFileTest, LengthPrefixAndHeaderRewrite) {
    test::TempFolder folder;
    ReportFile file;
    ASSERT_TRUE(file.Create(folder.path().c_str()));
    ReportHeader header;
    ASSERT_TRUE(file.WriteReportBlock(&header, sizeof header));
    ASSERT_TRUE(file.WriteReportBlock("abc", 3, true));
    EXPECT_EQ(file.position(), kHeaderSize + 4 + 3);
    header.frameCount = 7;
    ASSERT_TRUE(file.RewriteHeader(header));
    const std::string path = file.path();
    ASSERT_TRUE(file.Close());
    const std::string bytes = readAll(path);
    ASSERT_EQ(bytes.size(), kHeaderSize + 7u);
    EXPECT_EQ(bytes.substr(0, 4), std::string("\x10\x02\0\0", 4));
    EXPECT_EQ(bytes.substr(500, 2), std::string("\x07\0", 2));
    EXPECT_EQ(bytes.substr(kHeaderSize), std::string("\x03\0\0\0abc", 7));
}

TEST(ReportFileTest, UnreadableSourceKeepsTheFile) {
    test::TempFolder folder;
    GuardedPages pages;
    ReportFile file;
    ASSERT_TRUE(file.Create(folder.path().c_str()));
    EXPECT_FALSE(file.WriteReportBlock(reinterpret_cast<const void*>(pages.guard()), 16));
    EXPECT_FALSE(file.dropped());
    EXPECT_TRUE(file.WriteReportBlock("next", 4));
    const std::string path = file.path();
    EXPECT_TRUE(file.Close());
    EXPECT_EQ(readAll(path), "next");
}

// Runs in a child: a file-size limit makes the second block fail as a full
// disk would; exits 0 when the report was dropped as it should be, and the
// next report of the same process, with room again, is whole and counts its
// own bytes only.
[[noreturn]] void writePastTheSizeLimit(const fs::path& where) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t room = limit.rlim_cur;
    limit.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ReportFile file;
    if (!file.Create(where.c_str()) || !file.WriteReportBlock("0123456789", 10)) {
        std::_Exit(3);
    }
    const std::string big(200, 'x');
    const bool second = file.WriteReportBlock(big.data(), 200);
    const bool third = file.WriteReportBlock("y", 1);
    const bool gone = file.dropped() && !file.Close() && !fs::exists(file.path());
    if (!second && !third && gone) {
        limit.rlim_cur = room;
        ::setrlimit(RLIMIT_FSIZE, &limit);
        const bool next = file.Create(where.c_str()) && file.WriteReportBlock("abc", 3) &&
                          file.position() == 3 && file.Close();
        std::_Exit(next ? 0 : 5);
    }
    std::_Exit(4);
}

TEST(ReportFileTest, AnyOtherWriteFailureDropsTheReportAndTheNextStartsAfresh) {
    test::TempFolder folder;
    EXPECT_EXIT(writePastTheSizeLimit(folder.path()), ::testing::ExitedWithCode(0), "");
    ASSERT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1)
        << "the dropped report is deleted, the next one stays";
    EXPECT_EQ(readAll(fs::directory_iterator(folder.path())->path()), "abc");
}

TEST(MemoryProbeTest, ReadableAndGuardedMemory) {
    GuardedPages pages;
    MemoryProbe probe;
    EXPECT_FALSE(probe.readable(pages.readable(), 16)) << "not open yet";
    ASSERT_TRUE(probe.open());
    EXPECT_TRUE(probe.readable(pages.readable(), pages.page()));
    EXPECT_FALSE(probe.readable(pages.readable(), pages.page() + 1));
    EXPECT_FALSE(probe.readable(pages.guard(), 1));
    EXPECT_FALSE(probe.readable(0, 16));
    EXPECT_FALSE(probe.readable(pages.readable(), 0));
    EXPECT_FALSE(probe.readable(~std::uintptr_t{0} - 4, 16)) << "a range that wraps";
    // A big range goes through the pipe in parts and leaves it empty.
    std::vector<std::uint8_t> big(3 * MemoryProbe::kChunk + 5, 0x5A);
    EXPECT_TRUE(probe.readable(reinterpret_cast<std::uintptr_t>(big.data()), big.size()));

    std::uint8_t out[64] = {};
    EXPECT_LT(probe.copy(pages.guard() - 10, 64, out), 64u);
    EXPECT_EQ(probe.copy(pages.readable() + 3, 4, out), 4u);
    EXPECT_EQ(out[0], 3);
}

class RegisterDumps : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(probe_.open());
        ASSERT_TRUE(file_.Create(folder_.path().c_str()));
        std::memset(&context_, 0, sizeof context_);
    }
    void set(int reg, std::uintptr_t value) {
        context_.uc_mcontext.gregs[reg] = static_cast<greg_t>(value);
    }
    std::string written() {
        const std::string path = file_.path();
        file_.Close();
        return readAll(path);
    }

    test::TempFolder folder_;
    MemoryProbe probe_;
    ReportFile file_;
    ucontext_t context_;
    GuardedPages pages_;
};

TEST_F(RegisterDumps, OnlyReadableUserAddressesGetARecord) {
    // RAX = 0 as after a null dereference; RBX in the middle of the readable
    // page; RCX too close to the guard; RSI below 64 KiB; RDI beyond user
    // space; RIP 256 bytes into the page, so its dump starts right there.
    set(REG_RAX, 0);
    set(REG_RBX, pages_.readable() + 1024);
    set(REG_RCX, pages_.guard() - 100);
    set(REG_RSI, 0x8000);
    set(REG_RDI, 0xFFFF800000001000);
    set(REG_RIP, pages_.readable() + 256);
    const std::uint16_t count = DumpRegisterMemory(context_, probe_, file_);
    const std::string bytes = written();
    ASSERT_EQ(bytes.size(), count * sizeof(MemoryDumpRecord));
    ASSERT_EQ(count, 2);
    MemoryDumpRecord first;
    std::memcpy(&first, bytes.data(), sizeof first);
    EXPECT_EQ(first.length, 512);
    EXPECT_EQ(first.registerId, kRbx);
    EXPECT_EQ(first.value, pages_.readable() + 1024);
    EXPECT_EQ(first.bytes[0], static_cast<std::uint8_t>(1024 - 256));
    MemoryDumpRecord second;
    std::memcpy(&second, bytes.data() + sizeof first, sizeof second);
    EXPECT_EQ(second.registerId, kRip);
    EXPECT_EQ(second.bytes[0], 0);
}

}  // namespace
}  // namespace kel::diag::report

namespace kel::diag::report {
namespace {

bool answerNo(const char*) {
    return false;
}

// Outside a signal handler the unwinder never meets the context's program
// counter: the report then holds the context's own frame alone.
TEST(WriteProblemReportTest, OutcomesAndTheFallbackFrame) {
    test::TempFolder folder;
    ucontext_t context;
    ASSERT_EQ(::getcontext(&context), 0);
    const FaultState fault{SIGSEGV, SEGV_MAPERR, 0, &context};
    MemoryProbe probe;
    ASSERT_TRUE(probe.open());
    ReportSetup setup;
    std::strcpy(setup.folder, folder.path().c_str());
    std::strcpy(setup.reporter, (folder.path() / "missing-reporter").c_str());

    ReportFile written;
    EXPECT_EQ(WriteProblemReport(fault, setup, probe, written), ReportOutcome::Written);
    const std::string bytes = readAll(written.path());
    ReportHeader header;
    ASSERT_GT(bytes.size(), sizeof header);
    std::memcpy(&header, bytes.data(), sizeof header);
    EXPECT_EQ(header.frameCount, 1);
    FrameRecord frame;
    const std::size_t frameAt = header.dumpOffset + header.dumpCount * sizeof(MemoryDumpRecord);
    ASSERT_GE(bytes.size(), frameAt + sizeof frame);
    std::memcpy(&frame, bytes.data() + frameAt, sizeof frame);
    EXPECT_EQ(frame.pc.offset, static_cast<std::uint64_t>(context.uc_mcontext.gregs[REG_RIP]));
    EXPECT_EQ(bytes.size(), frameAt + sizeof frame + frame.dataLength);

    setup.ask = answerNo;
    ReportFile unwanted;
    EXPECT_EQ(WriteProblemReport(fault, setup, probe, unwanted), ReportOutcome::NotWanted);
    setup.ask = nullptr;
    std::strcpy(setup.folder, "/nonexistent-folder");
    ReportFile nowhere;
    EXPECT_EQ(WriteProblemReport(fault, setup, probe, nowhere), ReportOutcome::NoFile);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace kel::diag::report

extern "C" void KelReportTestFault(volatile int* target);

namespace kel::diag::report {
namespace {

// Not exported: its module is known, its name is not.
__attribute__((noinline)) int hiddenFunction(int value) {
    asm volatile("" ::: "memory");
    return value + 1;
}

void* vdsoFunction() {
    void* vdso = ::dlopen("linux-vdso.so.1", RTLD_LAZY | RTLD_NOLOAD);
    return vdso != nullptr ? ::dlsym(vdso, "__vdso_clock_gettime") : nullptr;
}

// The loader's own lookup, outside a fault, is the reference for the names
// read from its tables: the program (its modules are placed anywhere), a
// shared library, the C++ runtime and the kernel's module, whose dynamic
// section the loader leaves as it was linked.
TEST(LocateCodeTest, NamesWhatTheLoadersOwnLookupNames) {
    const struct {
        const char* what;
        void* address;
    } kCases[] = {
        {"exported program function", reinterpret_cast<void*>(&KelReportTestFault)},
        {"hidden program function", reinterpret_cast<void*>(&hiddenFunction)},
        {"C library", reinterpret_cast<void*>(&::getpid)},
        {"C++ runtime", reinterpret_cast<void*>(&std::terminate)},
        {"kernel module", vdsoFunction()},
    };
    for (const auto& entry : kCases) {
        ASSERT_NE(entry.address, nullptr) << entry.what;
        // The start and a byte inside, as a return address would be.
        for (std::uintptr_t offset : {0, 1}) {
            SCOPED_TRACE(std::string(entry.what) + " + " + std::to_string(offset));
            const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(entry.address) + offset;
            Dl_info expected{};
            ASSERT_NE(::dladdr(reinterpret_cast<void*>(address), &expected), 0);
            CodeLocation location;
            ASSERT_TRUE(LocateCode(address, location));
            EXPECT_EQ(location.moduleBase, reinterpret_cast<std::uintptr_t>(expected.dli_fbase));
            ASSERT_NE(location.modulePath, nullptr);
            EXPECT_STREQ(location.modulePath, expected.dli_fname);
            if (expected.dli_sname == nullptr) {
                EXPECT_EQ(location.function, nullptr);
                continue;
            }
            ASSERT_NE(location.function, nullptr);
            EXPECT_EQ(std::string(location.function, location.functionLength), expected.dli_sname);
            EXPECT_EQ(location.functionStart, reinterpret_cast<std::uintptr_t>(expected.dli_saddr));
        }
    }
    EXPECT_EQ(hiddenFunction(1), 2);
}

TEST(LocateCodeTest, AnAddressOutsideEveryModuleIsNotFound) {
    const std::vector<int> heap(16);
    CodeLocation location;
    EXPECT_FALSE(LocateCode(reinterpret_cast<std::uintptr_t>(heap.data()), location));
    EXPECT_FALSE(LocateCode(0, location));
}

}  // namespace
}  // namespace kel::diag::report
