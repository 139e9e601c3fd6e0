#include "media/MediaPlatform.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/AlsaCaptureFilter.h"
#include "media/CaptureGraphBuilder.h"
#include "media/FileWriter.h"
#include "media/FilterGraph.h"
#include "media/FilterMapper.h"
#include "media/MemAllocator.h"
#include "media/SeekingPassThru.h"
#include "media/SystemClock.h"
#include "media/SystemDeviceEnum.h"
#include "runtime/ClassTable.h"

void RegisterMediaPlatformClasses() {
    CoRegisterClassCreator(CLSID_FilterGraph, &FilterGraph::Create);
    CoRegisterClassCreator(CLSID_FileWriter, &FileWriter::Create);
    CoRegisterClassCreator(CLSID_SystemDeviceEnum, &SystemDeviceEnum::Create);
    CoRegisterClassCreator(CLSID_CaptureGraphBuilder2, &CaptureGraphBuilder::Create);
    CoRegisterClassCreator(CLSID_AudioRecord, [](IUnknown* outer, REFIID iid, void** object) {
        return AlsaCaptureFilter::Create(outer, "default", iid, object);
    });
    CoRegisterClassCreator(CLSID_MemoryAllocator, &MemAllocator::Create);
    CoRegisterClassCreator(CLSID_SeekingPassThru, &SeekingPassThru::Create);
    CoRegisterClassCreator(CLSID_SystemClock, &SystemClock::Create);
    CoRegisterClassCreator(CLSID_FilterMapper2, &FilterMapper::Create);
}

namespace {
// Registers the classes as soon as the library is loaded.
const bool registered = (RegisterMediaPlatformClasses(), true);
} // namespace
