// The controllers' thread contract, asserted in debug builds: a call from another thread stops
// the program with a message that names the class, before the call does anything.
#include "CaptureFakes.h"

#include "capture/TDXShow.h"
#include "capture/TDXShowCaptureAudio.h"

#include <gtest/gtest.h>

#include <thread>

namespace {
#ifndef QT_NO_DEBUG
TEST(GuiThreadOnly, ACallFromAnotherThreadStopsTheProgramNamingTheClass) {
    // Each case runs in a fresh copy of this program: the assertion ends the process.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    FakeDeviceSet set;
    FakeDeviceEnumScope scope{set};
    auto fromAnotherThread = [](auto call) { std::thread(call).join(); };
    EXPECT_DEATH(
        {
            TDXShow show;
            fromAnotherThread([&] { (void)show.Play(); });
        },
        "ASSERT failure in TDXShow: \"called from a thread other than the GUI thread\"");
    EXPECT_DEATH(
        {
            TDXShowCaptureAudio capture;
            fromAnotherThread([&] { capture.SetFileName(u"/tmp/x.wav"); });
        },
        "ASSERT failure in TDXShowCaptureAudio: ");
    EXPECT_DEATH(
        {
            TDXShowCaptureAudio capture;
            fromAnotherThread([&] { (void)capture.Open(u"", true); });
        },
        "ASSERT failure in TDXShowCaptureAudio: ");
    EXPECT_DEATH(fromAnotherThread([] { TDXShow show; }), "ASSERT failure in TDXShow: ");

    // On the GUI thread the same calls pass.
    TDXShowCaptureAudio capture;
    capture.SetFileName(u"");
    EXPECT_EQ(S_OK, capture.Open(u"", true));
    EXPECT_TRUE(SUCCEEDED(capture.Play()));
    EXPECT_TRUE(SUCCEEDED(capture.Stop()));
}
#endif
} // namespace
