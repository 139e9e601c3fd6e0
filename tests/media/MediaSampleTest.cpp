#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "runtime/TaskMemory.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>

namespace {
// One committed buffer of 100 bytes, as IMediaSample and IMediaSample2.
class MediaSampleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                         IID_PPV_ARGS(allocator.put())));
        ALLOCATOR_PROPERTIES request{1, 100, 1, 0}, actual{};
        ASSERT_EQ(S_OK, allocator->SetProperties(&request, &actual));
        ASSERT_EQ(S_OK, allocator->Commit());
        ASSERT_EQ(S_OK, allocator->GetBuffer(sample.put(), nullptr, nullptr, 0));
        ASSERT_EQ(S_OK, sample.As(sample2));
    }

    AM_SAMPLE2_PROPERTIES Properties() {
        AM_SAMPLE2_PROPERTIES p{};
        EXPECT_EQ(S_OK, sample2->GetProperties(sizeof p, reinterpret_cast<BYTE*>(&p)));
        return p;
    }

    ComPtr<IMemAllocator> allocator;
    ComPtr<IMediaSample> sample;
    ComPtr<IMediaSample2> sample2;
};

TEST_F(MediaSampleTest, TimesAnswerAsPublished) {
    REFERENCE_TIME start = -1, stop = -1;
    EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, sample->GetTime(&start, &stop));

    REFERENCE_TIME s = 1000, e = 2000;
    ASSERT_EQ(S_OK, sample->SetTime(&s, nullptr));
    EXPECT_EQ(VFW_S_NO_STOP_TIME, sample->GetTime(&start, &stop));
    EXPECT_EQ(1000, start);
    EXPECT_EQ(1001, stop);
    EXPECT_EQ(AM_SAMPLE_TIMEVALID,
              Properties().dwSampleFlags & (AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID));

    ASSERT_EQ(S_OK, sample->SetTime(&s, &e));
    EXPECT_EQ(S_OK, sample->GetTime(&start, &stop));
    EXPECT_EQ(2000, stop);

    ASSERT_EQ(S_OK, sample->SetTime(nullptr, &e));
    EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, sample->GetTime(&start, &stop));
    EXPECT_EQ(E_POINTER, sample->GetTime(nullptr, &stop));

    LONGLONG ms = 0, me = 0;
    EXPECT_EQ(VFW_E_MEDIA_TIME_NOT_SET, sample->GetMediaTime(&ms, &me));
    LONGLONG a = 7, b = 9;
    ASSERT_EQ(S_OK, sample->SetMediaTime(&a, &b));
    EXPECT_EQ(S_OK, sample->GetMediaTime(&ms, &me));
    EXPECT_EQ(7, ms);
    EXPECT_EQ(9, me);
    ASSERT_EQ(S_OK, sample->SetMediaTime(nullptr, nullptr));
    EXPECT_EQ(VFW_E_MEDIA_TIME_NOT_SET, sample->GetMediaTime(&ms, &me));
}

TEST_F(MediaSampleTest, FlagsAndLength) {
    struct Flag {
        HRESULT (IMediaSample::*set)(BOOL);
        HRESULT (IMediaSample::*is)();
        DWORD bit;
    };
    for (Flag f :
         {Flag{&IMediaSample::SetSyncPoint, &IMediaSample::IsSyncPoint, AM_SAMPLE_SPLICEPOINT},
          Flag{&IMediaSample::SetPreroll, &IMediaSample::IsPreroll, AM_SAMPLE_PREROLL},
          Flag{&IMediaSample::SetDiscontinuity, &IMediaSample::IsDiscontinuity,
               AM_SAMPLE_DATADISCONTINUITY}}) {
        EXPECT_EQ(S_FALSE, (sample.get()->*f.is)());
        ASSERT_EQ(S_OK, (sample.get()->*f.set)(TRUE));
        EXPECT_EQ(S_OK, (sample.get()->*f.is)());
        EXPECT_EQ(f.bit, Properties().dwSampleFlags & f.bit);
        ASSERT_EQ(S_OK, (sample.get()->*f.set)(FALSE));
        EXPECT_EQ(S_FALSE, (sample.get()->*f.is)());
    }

    EXPECT_EQ(100, sample->GetActualDataLength());
    EXPECT_EQ(S_OK, sample->SetActualDataLength(0));
    EXPECT_EQ(S_OK, sample->SetActualDataLength(100));
    EXPECT_EQ(VFW_E_BUFFER_OVERFLOW, sample->SetActualDataLength(101));
    EXPECT_EQ(VFW_E_BUFFER_OVERFLOW, sample->SetActualDataLength(-1));
    EXPECT_EQ(100, sample->GetActualDataLength());
}

TEST_F(MediaSampleTest, MediaTypeIsCopiedInAndOut) {
    BYTE format[3] = {1, 2, 3};
    AM_MEDIA_TYPE type{};
    type.majortype = MEDIATYPE_Audio;
    type.formattype = FORMAT_WaveFormatEx;
    type.cbFormat = sizeof format;
    type.pbFormat = format;
    ASSERT_EQ(S_OK, sample->SetMediaType(&type));
    format[0] = 99; // the sample kept its own copy
    EXPECT_EQ(AM_SAMPLE_TYPECHANGED, Properties().dwSampleFlags & AM_SAMPLE_TYPECHANGED);

    AM_MEDIA_TYPE* got = nullptr;
    ASSERT_EQ(S_OK, sample->GetMediaType(&got));
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(MEDIATYPE_Audio, got->majortype);
    ASSERT_EQ(3u, got->cbFormat);
    EXPECT_EQ(1, got->pbFormat[0]);
    CoTaskMemFree(got->pbFormat);
    CoTaskMemFree(got);

    ASSERT_EQ(S_OK, sample->SetMediaType(nullptr));
    EXPECT_EQ(0u, Properties().dwSampleFlags & AM_SAMPLE_TYPECHANGED);
    EXPECT_EQ(S_FALSE, sample->GetMediaType(&got));
}

TEST_F(MediaSampleTest, PropertiesAreReadAndWrittenBySize) {
    REFERENCE_TIME s = 10, e = 20;
    ASSERT_EQ(S_OK, sample->SetTime(&s, &e));
    ASSERT_EQ(S_OK, sample->SetActualDataLength(40));
    AM_SAMPLE2_PROPERTIES p = Properties();
    EXPECT_EQ(sizeof p, p.cbData);
    EXPECT_EQ(40, p.lActual);
    EXPECT_EQ(100, p.cbBuffer);
    EXPECT_EQ(nullptr, p.pMediaType);
    BYTE* data = nullptr;
    ASSERT_EQ(S_OK, sample->GetPointer(&data));
    EXPECT_EQ(data, p.pbBuffer);

    // A short read fills only what was asked for.
    BYTE raw[sizeof p];
    std::memset(raw, 0xEE, sizeof raw);
    ASSERT_EQ(S_OK, sample2->GetProperties(16, raw));
    AM_SAMPLE2_PROPERTIES head{};
    std::memcpy(&head, raw, 16);
    EXPECT_EQ(16u, head.cbData);
    EXPECT_EQ(40, head.lActual);
    EXPECT_EQ(0xEE, raw[16]);

    // The 32-byte write a transform filter makes: flags, length and both times.
    head.cbData = 32;
    head.dwSampleFlags = AM_SAMPLE_SPLICEPOINT | AM_SAMPLE_TIMEVALID | AM_SAMPLE_STOPVALID;
    head.tStart = 111;
    head.tStop = 222;
    ASSERT_EQ(S_OK, sample2->SetProperties(32, reinterpret_cast<BYTE*>(&head)));
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(S_OK, sample->GetTime(&start, &stop));
    EXPECT_EQ(111, start);
    EXPECT_EQ(222, stop);
    EXPECT_EQ(S_OK, sample->IsSyncPoint());

    // Refused records change nothing.
    struct Bad {
        const char* why;
        void (*spoil)(AM_SAMPLE2_PROPERTIES&);
        DWORD size;
    };
    const Bad bad[] = {
        {"unknown flag", [](AM_SAMPLE2_PROPERTIES& q) { q.dwSampleFlags |= 0x10000; }, 32},
        {"length past the buffer", [](AM_SAMPLE2_PROPERTIES& q) { q.lActual = 101; }, 32},
        {"time flag without the time", [](AM_SAMPLE2_PROPERTIES&) {}, 16},
        {"another buffer",
         [](AM_SAMPLE2_PROPERTIES& q) { q.pbBuffer = reinterpret_cast<BYTE*>(&q); },
         DWORD(sizeof(AM_SAMPLE2_PROPERTIES))},
        {"larger than the record", [](AM_SAMPLE2_PROPERTIES& q) { q.cbData = 200; }, 200},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.why);
        AM_SAMPLE2_PROPERTIES q = Properties();
        q.tStart = 5;
        q.cbData = b.size;
        b.spoil(q);
        BYTE buffer[256] = {};
        std::memcpy(buffer, &q, sizeof q);
        EXPECT_EQ(E_INVALIDARG, sample2->SetProperties(b.size, buffer));
        EXPECT_EQ(S_OK, sample->GetTime(&start, &stop));
        EXPECT_EQ(111, start);
        EXPECT_EQ(40, sample->GetActualDataLength());
    }
}
} // namespace
