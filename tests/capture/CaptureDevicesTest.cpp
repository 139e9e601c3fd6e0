// The capture device list over a scripted system device enumerator.
#include "CaptureFakes.h"
#include "CaptureTestSupport.h"

#include "capture/EDShowConvertError.h"
#include "capture/EDShowListError.h"
#include "capture/TDXShowCaptureDevices.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

#include <QStringListModel>
#include <QTimer>

#include <gtest/gtest.h>

namespace {
const std::u16string kAudioClsid = u"{E30629D2-27E5-11CE-875D-00608CB78066}";

class CaptureDevicesTest : public ::testing::Test {
protected:
    void SetUp() override { list.SetVideoDevices(false); }

    FakeDeviceSet set;
    FakeDeviceEnumScope scope{set};
    ShownMessages shown;
    TDXShowCaptureDevices list;
};

TEST_F(CaptureDevicesTest, NamesAndKeysComeFromTheFirstPropertyThatIsThere) {
    set.devices = {
        {{{u"FriendlyName", u"Line In"}, {u"CLSID", kAudioClsid}}},
        {{{u"Description", u"USB Mic"}, {u"FriendlyName", u"Mic"}, {u"DevicePath", u"hw:1,0"}}},
        {{{u"CLSID", kAudioClsid}}},            // no name: left out
        {{{u"FriendlyName", u"Nameless key"}}}, // no key: left out
        {{{u"FriendlyName", u"Locked"}, {u"CLSID", kAudioClsid}}, E_ACCESSDENIED}, // no bag
        {{{u"FriendlyName", u"Line In 2"}, {u"CLSID", kAudioClsid}}},
        {{{u"FriendlyName", u"Monitor of Speakers"},
          {u"DevicePath", u"pulse:speakers.monitor"},
          {u"MonitorOf", u"Speakers"}}},
    };
    list.Refresh();
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Items(0).DeviceName, u"Line In");
    EXPECT_EQ(list.Items(0).DevicePath, kAudioClsid);
    EXPECT_EQ(list.Items(1).DeviceName, u"USB Mic");
    EXPECT_EQ(list.Items(1).DevicePath, u"hw:1,0");
    EXPECT_EQ(list.Items(2).DeviceName, u"Line In 2");
    EXPECT_TRUE(list.Items(2).Moniker);
    EXPECT_EQ(list.Items(2).MonitorOf, u"");
    // What an output plays: the output's name comes beside the device's own.
    EXPECT_EQ(list.Items(3).DeviceName, u"Monitor of Speakers");
    EXPECT_EQ(list.Items(3).MonitorOf, u"Speakers");
    EXPECT_TRUE(shown.messages.isEmpty());

    list.Refresh(); // the same list again, not a doubled one
    EXPECT_EQ(list.Count(), 4);
}

TEST_F(CaptureDevicesTest, FindDeviceMatchesTheKeyIgnoringCaseAndTakesTheFirst) {
    set.devices = {
        {{{u"FriendlyName", u"Line In"}, {u"CLSID", kAudioClsid}}},
        {{{u"FriendlyName", u"Line In 2"}, {u"CLSID", kAudioClsid}}},
        {{{u"FriendlyName", u"Ünïcode"}, {u"DevicePath", u"Gerät"}}},
    };
    list.Refresh();
    std::u16string lower = kAudioClsid;
    for (auto& c : lower)
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    EXPECT_EQ(list.FindDevice(lower), &list.Items(0));
    EXPECT_EQ(list.FindDevice(u"GERÄT"), &list.Items(2));
    EXPECT_EQ(list.FindDevice(u"Line In"), nullptr); // the display name is not a key
    EXPECT_EQ(list.FindDevice(u""), nullptr);
}

TEST_F(CaptureDevicesTest, IndexOutsideTheListRaisesTheListError) {
    set.devices = {{{{u"FriendlyName", u"A"}, {u"CLSID", kAudioClsid}}}};
    list.Refresh();
    for (const int index : {-1, 1, 5}) {
        try {
            (void)list.Items(index);
            ADD_FAILURE() << index;
        } catch (const EDShowListError& error) {
            EXPECT_EQ(std::string(error.what()),
                      "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
}

TEST_F(CaptureDevicesTest, EmptyCategoryGivesAnEmptyListWithoutAMessage) {
    set.devices = {{{{u"FriendlyName", u"A"}, {u"CLSID", kAudioClsid}}}};
    list.Refresh();
    set.emptyCategory = true;
    list.Refresh();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(shown.messages.isEmpty());
}

TEST_F(CaptureDevicesTest, AMissingEnumeratorIsShownInAPlainMessageBox) {
    set.devices = {{{{u"FriendlyName", u"A"}, {u"CLSID", kAudioClsid}}}};
    list.Refresh();
    ASSERT_TRUE(CoRevokeClassCreator(CLSID_SystemDeviceEnum));
    list.Refresh();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(shown.messages, QStringList{"The class is not registered. Reason: ($80040154)."});
}

TEST_F(CaptureDevicesTest, AssignToCopiesTheNamesIntoStringLists) {
    set.devices = {
        {{{u"FriendlyName", u"Line In"}, {u"CLSID", kAudioClsid}}},
        {{{u"FriendlyName", u"Mikrofon (Gerät)"}, {u"CLSID", kAudioClsid}}},
    };
    list.Refresh();
    QStringList lines{"old"};
    list.AssignTo(lines);
    EXPECT_EQ(lines, (QStringList{"Line In", "Mikrofon (Gerät)"}));

    QStringListModel model(QStringList{"x", "y", "z"});
    list.AssignTo(&model);
    EXPECT_EQ(model.stringList(), (QStringList{"Line In", "Mikrofon (Gerät)"}));

    QTimer other;
    try {
        list.AssignTo(&other);
        ADD_FAILURE();
    } catch (const EDShowConvertError& error) {
        EXPECT_STREQ(error.what(), "Cannot assign a TDXShowCaptureDevices to a QTimer");
    }
}
} // namespace
