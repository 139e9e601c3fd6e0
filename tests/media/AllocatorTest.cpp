#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <future>
#include <thread>

namespace {
using namespace std::chrono_literals;

ComPtr<IMemAllocator> NewAllocator() {
    ComPtr<IMemAllocator> allocator;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(allocator.put())));
    return allocator;
}

class AllocatorTest : public ::testing::Test {
protected:
    void Configure(LONG count, LONG size, LONG align = 1, LONG prefix = 0) {
        ALLOCATOR_PROPERTIES request{count, size, align, prefix}, actual{};
        ASSERT_EQ(S_OK, allocator->SetProperties(&request, &actual));
        EXPECT_EQ(count, actual.cBuffers);
        EXPECT_GE(actual.cbBuffer, size);
        EXPECT_EQ(align, actual.cbAlign);
        EXPECT_EQ(prefix, actual.cbPrefix);
    }
    ComPtr<IMediaSample> Take(DWORD flags = 0) {
        ComPtr<IMediaSample> sample;
        EXPECT_EQ(S_OK, allocator->GetBuffer(sample.put(), nullptr, nullptr, flags));
        return sample;
    }

    ComPtr<IMemAllocator> allocator = NewAllocator();
};

TEST_F(AllocatorTest, IsCreatedByClassAndRefusesAggregation) {
    ASSERT_TRUE(allocator);
    ComPtr<IUnknown> outer = allocator;
    IUnknown* object = reinterpret_cast<IUnknown*>(1);
    EXPECT_EQ(CLASS_E_NOAGGREGATION,
              CoCreateInstance(CLSID_MemoryAllocator, outer.get(), CLSCTX_INPROC_SERVER,
                               IID_IUnknown, reinterpret_cast<void**>(&object)));
    EXPECT_EQ(nullptr, object);
}

TEST_F(AllocatorTest, PropertiesAreCheckedAndFixedWhileCommitted) {
    ALLOCATOR_PROPERTIES request{2, 100, 3, 0}, actual{};
    EXPECT_EQ(VFW_E_BADALIGN, allocator->SetProperties(&request, &actual));
    request.cbAlign = 0;
    EXPECT_EQ(VFW_E_BADALIGN, allocator->SetProperties(&request, &actual));
    request = {-1, 100, 1, 0};
    EXPECT_EQ(E_INVALIDARG, allocator->SetProperties(&request, &actual));
    EXPECT_EQ(E_POINTER, allocator->SetProperties(&request, nullptr));

    EXPECT_EQ(VFW_E_SIZENOTSET, allocator->Commit());
    Configure(2, 100);
    ALLOCATOR_PROPERTIES seen{};
    EXPECT_EQ(S_OK, allocator->GetProperties(&seen));
    EXPECT_EQ(2, seen.cBuffers);
    EXPECT_EQ(100, seen.cbBuffer);

    ASSERT_EQ(S_OK, allocator->Commit());
    request = {4, 200, 1, 0};
    EXPECT_EQ(VFW_E_ALREADY_COMMITTED, allocator->SetProperties(&request, &actual));
    ComPtr<IMediaSample> out = Take();
    ASSERT_EQ(S_OK, allocator->Decommit());
    // Decommitted, but a buffer is still out: the sizes cannot change under it.
    EXPECT_EQ(VFW_E_BUFFERS_OUTSTANDING, allocator->SetProperties(&request, &actual));
    out.reset();
    EXPECT_EQ(S_OK, allocator->SetProperties(&request, &actual));
}

TEST_F(AllocatorTest, GetBufferNeedsCommitAndWaitsForAFreeBuffer) {
    Configure(1, 64);
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(VFW_E_NOT_COMMITTED, allocator->GetBuffer(sample.put(), nullptr, nullptr, 0));
    EXPECT_EQ(nullptr, sample.get());
    ASSERT_EQ(S_OK, allocator->Commit());

    ComPtr<IMediaSample> first = Take();
    EXPECT_EQ(VFW_E_TIMEOUT, allocator->GetBuffer(sample.put(), nullptr, nullptr, AM_GBF_NOWAIT));

    auto waiter = std::async(std::launch::async, [&] {
        ComPtr<IMediaSample> second;
        const HRESULT hr = allocator->GetBuffer(second.put(), nullptr, nullptr, 0);
        return std::make_pair(hr, second);
    });
    EXPECT_EQ(std::future_status::timeout, waiter.wait_for(50ms));
    IMediaSample* const raw = first.get();
    first.reset(); // the buffer goes back and the waiter gets it
    auto [hr, second] = waiter.get();
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ(raw, second.get());
}

TEST_F(AllocatorTest, DecommitReleasesWaitersAndLaterRequestsFail) {
    Configure(1, 64);
    ASSERT_EQ(S_OK, allocator->Commit());
    ComPtr<IMediaSample> held = Take();
    auto waiter = std::async(std::launch::async, [&] {
        ComPtr<IMediaSample> s;
        return allocator->GetBuffer(s.put(), nullptr, nullptr, 0);
    });
    EXPECT_EQ(std::future_status::timeout, waiter.wait_for(50ms));
    ASSERT_EQ(S_OK, allocator->Decommit());
    EXPECT_EQ(VFW_E_NOT_COMMITTED, waiter.get());

    // The sample still out stays usable until its user lets it go.
    BYTE* data = nullptr;
    ASSERT_EQ(S_OK, held->GetPointer(&data));
    std::memset(data, 0xAB, 64);
    ComPtr<IMediaSample> none;
    EXPECT_EQ(VFW_E_NOT_COMMITTED, allocator->GetBuffer(none.put(), nullptr, nullptr, 0));
    held.reset();

    // Committing again makes fresh buffers.
    ASSERT_EQ(S_OK, allocator->Commit());
    EXPECT_TRUE(Take());
}

TEST_F(AllocatorTest, AlignmentAndPrefixAreHonoured) {
    struct Case {
        LONG align, prefix;
    };
    for (Case c : {Case{1, 0}, Case{16, 0}, Case{64, 8}, Case{4096, 100}}) {
        SCOPED_TRACE(c.align);
        allocator = NewAllocator();
        Configure(3, 1000, c.align, c.prefix);
        ASSERT_EQ(S_OK, allocator->Commit());
        ComPtr<IMediaSample> samples[3] = {Take(), Take(), Take()};
        for (auto& s : samples) {
            BYTE* data = nullptr;
            ASSERT_EQ(S_OK, s->GetPointer(&data));
            EXPECT_EQ(0u, reinterpret_cast<std::uintptr_t>(data) % std::uintptr_t(c.align));
            EXPECT_EQ(1000, s->GetSize());
            // Prefix and data are ours to write (the sanitizer checks the bounds).
            std::memset(data - c.prefix, 0x5A, std::size_t(c.prefix) + 1000);
        }
    }
}

TEST_F(AllocatorTest, ABufferComesBackClean) {
    Configure(1, 32);
    ASSERT_EQ(S_OK, allocator->Commit());
    {
        ComPtr<IMediaSample> s = Take();
        REFERENCE_TIME start = 5, stop = 9;
        ASSERT_EQ(S_OK, s->SetTime(&start, &stop));
        ASSERT_EQ(S_OK, s->SetDiscontinuity(TRUE));
        ASSERT_EQ(S_OK, s->SetActualDataLength(3));
        AM_MEDIA_TYPE type{};
        type.majortype = MEDIATYPE_Audio;
        ASSERT_EQ(S_OK, s->SetMediaType(&type));
    }
    ComPtr<IMediaSample> s = Take();
    REFERENCE_TIME start = 0, stop = 0;
    EXPECT_EQ(VFW_E_SAMPLE_TIME_NOT_SET, s->GetTime(&start, &stop));
    EXPECT_EQ(S_FALSE, s->IsDiscontinuity());
    EXPECT_EQ(32, s->GetActualDataLength());
    AM_MEDIA_TYPE* type = reinterpret_cast<AM_MEDIA_TYPE*>(1);
    EXPECT_EQ(S_FALSE, s->GetMediaType(&type));
    EXPECT_EQ(nullptr, type);
}

TEST_F(AllocatorTest, SamplesKeepTheAllocatorAlive) {
    Configure(2, 16);
    ASSERT_EQ(S_OK, allocator->Commit());
    ComPtr<IMediaSample> s = Take();
    allocator.reset();
    BYTE* data = nullptr;
    ASSERT_EQ(S_OK, s->GetPointer(&data));
    data[15] = 1;
    s.reset(); // the last reference: the allocator goes with it (the sanitizer checks leaks)
}
} // namespace
