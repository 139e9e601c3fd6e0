// Links the media library but uses none of its symbols: its classes must still be there.
#include "framework/interfaces/MediaGuids.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

TEST(MediaLibrary, RegistersItsClassesWhenOnlyLinked) {
    ComPtr<IMemAllocator> allocator;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(allocator.put())));
}
