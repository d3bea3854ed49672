#include "frontend/main/single_instance.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <atomic>
#include <thread>

#include "widget_environment.h"

namespace kel::frontend {
namespace {

using namespace std::chrono_literals;

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { testing::WidgetEnvironment::get(); }
    QString folder() const { return QString::fromStdString(folder_.path().string()); }
    testing::TempFolder folder_;
};

TEST_F(SingleInstanceTest, ALaterStartGivesWayAndRaisesTheFirst) {
    SingleInstance first(folder(), "kel");
    ASSERT_TRUE(first.Claim());
    QSignalSpy raised(&first, &SingleInstance::ActivationRequested);

    // The later start knocks from another thread while this one serves.
    std::atomic<int> later{-1};
    std::thread second([&] {
        SingleInstance other(folder(), "kel");
        later = other.Claim() ? 1 : 0;
        // Another copy holds the claim: that is no failure to report.
        EXPECT_TRUE(other.FailureText().isEmpty()) << other.FailureText().toStdString();
    });
    EXPECT_TRUE(testing::processEventsUntil([&] { return raised.count() > 0 && later >= 0; }, 5s));
    second.join();
    EXPECT_EQ(later, 0);
    EXPECT_EQ(raised.count(), 1);
}

TEST_F(SingleInstanceTest, TheLockIsFreeAgainOnceTheFirstHasEnded) {
    {
        SingleInstance first(folder(), "kel");
        ASSERT_TRUE(first.Claim());
    }
    SingleInstance next(folder(), "kel");
    EXPECT_TRUE(next.Claim());
}

// A folder that cannot take the lock is not another copy running: the
// failure names the folder and the error, and the claim is not made.
TEST_F(SingleInstanceTest, AFolderThatCannotTakeTheLockIsNamedWithItsError) {
    const QString notAFolder = folder() + "/not-a-folder";
    folder_.write("not-a-folder", "plain text");
    SingleInstance instance(notAFolder, "kel");
    EXPECT_FALSE(instance.Claim());
    EXPECT_TRUE(instance.FailureText().contains(notAFolder))
        << instance.FailureText().toStdString();
    EXPECT_TRUE(instance.FailureText().contains("Not a directory"))
        << instance.FailureText().toStdString();
}

}  // namespace
}  // namespace kel::frontend
