#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/registry/key.h"
#include "registry_fixture.h"

namespace {

using namespace kel::registry;

constexpr int kWritesEach = 150;

// One writer's share: its own values and its own subkeys, each a separate
// read-modify-write of the same file.
bool writeShare(int writer) {
    Result<Key> key = Key::create(Root::CurrentUser, "Software\\Kelvane\\Shared");
    if (!key) {
        return false;
    }
    for (int i = 0; i < kWritesEach; ++i) {
        std::string name = "w" + std::to_string(writer) + "-" + std::to_string(i);
        if (key.value().writeDword(name, static_cast<std::uint32_t>(i)) != Status::Ok) {
            return false;
        }
        if (i % 10 == 0 && !key.value().createSubkey(name)) {
            return false;
        }
    }
    return true;
}

void expectEveryWrite(int writers) {
    Key key = Key::openExisting(Root::CurrentUser, "Software\\Kelvane\\Shared").value();
    for (int w = 0; w < writers; ++w) {
        for (int i = 0; i < kWritesEach; ++i) {
            std::string name = "w" + std::to_string(w) + "-" + std::to_string(i);
            EXPECT_EQ(key.readDword(name), static_cast<std::uint32_t>(i)) << name;
            if (i % 10 == 0) {
                EXPECT_TRUE(key.openSubkey(name)) << name;
            }
        }
    }
    EXPECT_EQ(key.valueNameAt(static_cast<std::size_t>(writers * kWritesEach)).status(),
              Status::EndOfList);
}

using Concurrency = RegistryTest;

TEST_F(Concurrency, TwoProcessesWritingAtOnceLoseNothing) {
    std::vector<pid_t> children;
    int go[2];
    ASSERT_EQ(::pipe(go), 0);
    for (int w = 0; w < 2; ++w) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::close(go[1]);
            char start;
            // Both start together: the pipe opens when the parent closes it.
            bool ok = ::read(go[0], &start, 1) == 0 && writeShare(w);
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    ::close(go[0]);
    ::close(go[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    expectEveryWrite(2);
}

TEST_F(Concurrency, ThreadsWithTheirOwnHandlesLoseNothing) {
    std::vector<std::thread> threads;
    bool ok[3] = {};
    for (int w = 0; w < 3; ++w) {
        threads.emplace_back([w, &ok] { ok[w] = writeShare(w); });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (bool b : ok) {
        EXPECT_TRUE(b);
    }
    expectEveryWrite(3);
}

}  // namespace
