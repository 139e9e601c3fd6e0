// The termination signals reach their handler on the GUI thread's event loop, never inside the
// signal handler, and the handling from before comes back when the catcher goes.
#include "AppTestSupport.h"

#include "app/TTerminationSignals.h"

#include <gmock/gmock.h>

#include <csignal>
#include <vector>

#include <unistd.h>

namespace {
TEST(TerminationSignals, ReachTheHandlerOnTheEventLoopAndLeaveTheOldHandlingBehind) {
    for (const int signalNumber : TTerminationSignals::Signals) {
        SCOPED_TRACE(signalNumber);
        struct sigaction before {};
        ASSERT_EQ(0, sigaction(signalNumber, nullptr, &before));
        std::vector<int> delivered;
        {
            TTerminationSignals catcher([&](int got) { delivered.push_back(got); });
            // Sent to the process, so any of its threads may take it.
            ASSERT_EQ(0, kill(getpid(), signalNumber));
            EXPECT_TRUE(delivered.empty()) << "ran inside the signal handler";
            ASSERT_TRUE(WaitFor([&] { return !delivered.empty(); }));
            EXPECT_THAT(delivered, testing::ElementsAre(signalNumber));

            // Two at once are answered once: the window closes once.
            ASSERT_EQ(0, raise(signalNumber));
            ASSERT_EQ(0, raise(signalNumber));
            ASSERT_TRUE(WaitFor([&] { return delivered.size() > 1; }));
            WaitFor([] { return false; }, 50);
            EXPECT_EQ(2u, delivered.size());
        }
        struct sigaction after {};
        ASSERT_EQ(0, sigaction(signalNumber, nullptr, &after));
        EXPECT_EQ(before.sa_handler, after.sa_handler);
    }
}
} // namespace
