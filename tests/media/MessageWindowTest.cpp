#include "runtime/MessageWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <tuple>
#include <vector>

namespace {
using Delivered = std::tuple<HWND, UINT, WPARAM, LPARAM, std::thread::id>;

class MessageWindowTest : public ::testing::Test {
protected:
    HWND Make() {
        const HWND w = CreateMessageWindow([this](HWND h, UINT m, WPARAM wp, LPARAM lp) {
            delivered.emplace_back(h, m, wp, lp, std::this_thread::get_id());
            return LRESULT(0);
        });
        made.push_back(w);
        return w;
    }
    void TearDown() override {
        for (HWND w : made)
            (void)DestroyWindow(w);
        SetPostedMessageHook(nullptr);
    }

    std::vector<Delivered> delivered;
    std::vector<HWND> made;
};

TEST_F(MessageWindowTest, MessagesPostedElsewhereArriveInOrderOnTheOwningThread) {
    const HWND a = Make(), b = Make();
    EXPECT_NE(a, b);
    std::thread poster([&] {
        EXPECT_TRUE(PostMessage(a, WM_USER + 1, 1, 10));
        EXPECT_TRUE(PostMessage(b, WM_USER + 2, 2, 20));
        EXPECT_TRUE(PostMessage(a, WM_USER + 3, 3, -30));
    });
    poster.join();
    EXPECT_TRUE(delivered.empty()); // nothing runs until the owner pumps
    EXPECT_TRUE(WaitForPostedMessage(0));
    EXPECT_EQ(3, DispatchPostedMessages());
    const auto self = std::this_thread::get_id();
    ASSERT_EQ(3u, delivered.size());
    EXPECT_EQ(Delivered(a, WM_USER + 1, 1, 10, self), delivered[0]);
    EXPECT_EQ(Delivered(b, WM_USER + 2, 2, 20, self), delivered[1]);
    EXPECT_EQ(Delivered(a, WM_USER + 3, 3, -30, self), delivered[2]);
    EXPECT_EQ(0, DispatchPostedMessages());
    EXPECT_FALSE(WaitForPostedMessage(10));
}

TEST_F(MessageWindowTest, DestroyedWindowsGetNothing) {
    const HWND a = Make();
    EXPECT_TRUE(PostMessage(a, WM_USER, 0, 0));
    EXPECT_TRUE(DestroyWindow(a));
    EXPECT_FALSE(IsWindow(a));
    EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
    EXPECT_FALSE(DestroyWindow(a));
    EXPECT_EQ(0, DispatchPostedMessages());
    EXPECT_TRUE(delivered.empty());
}

TEST_F(MessageWindowTest, TheHookLearnsWhichThreadToWake) {
    const HWND a = Make();
    std::atomic<int> calls{0};
    std::thread::id seenOwner, seenCaller;
    SetPostedMessageHook([&](std::thread::id owner) {
        seenOwner = owner;
        seenCaller = std::this_thread::get_id();
        ++calls;
    });
    std::thread::id posterId;
    std::thread poster([&] {
        posterId = std::this_thread::get_id();
        EXPECT_TRUE(PostMessage(a, WM_APP, 0, 0));
    });
    poster.join();
    EXPECT_EQ(1, calls.load());
    EXPECT_EQ(std::this_thread::get_id(), seenOwner);
    EXPECT_EQ(posterId, seenCaller);
    EXPECT_EQ(1, DispatchPostedMessages());
}

TEST_F(MessageWindowTest, AMessagePostedWhileDeliveringWaitsForTheNextPump) {
    HWND relay = 0;
    const HWND target = Make();
    relay = CreateMessageWindow([&](HWND, UINT m, WPARAM wp, LPARAM lp) {
        EXPECT_TRUE(PostMessage(target, m, wp, lp)); // as a notify window hands on to a dispatcher
        return LRESULT(0);
    });
    made.push_back(relay);
    EXPECT_TRUE(PostMessage(relay, WM_USER + 1, 7, 8));
    EXPECT_EQ(1, DispatchPostedMessages());
    EXPECT_TRUE(delivered.empty());
    EXPECT_EQ(1, DispatchPostedMessages());
    ASSERT_EQ(1u, delivered.size());
    EXPECT_EQ(target, std::get<0>(delivered[0]));
}
} // namespace
