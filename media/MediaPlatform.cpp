#include "media/MediaPlatform.h"

#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaCaptureFilter.h"
#include "media/devices/SystemDeviceEnum.h"
#include "media/filewriter/FileWriter.h"
#include "media/graph/CaptureGraphBuilder.h"
#include "media/graph/FilterGraph.h"
#include "media/graph/SeekingPassThru.h"
#include "media/graph/SystemClock.h"
#include "media/memory/MemAllocator.h"
#include "media/registration/FilterMapper.h"
#include "runtime/ClassTable.h"

void RegisterMediaPlatformClasses() {
    CoRegisterClassCreator(CLSID_FilterGraph, &FilterGraph::Create);
    CoRegisterClassCreator(CLSID_FileWriter, &FileWriter::Create);
    CoRegisterClassCreator(CLSID_SystemDeviceEnum, &SystemDeviceEnum::Create);
    CoRegisterClassCreator(CLSID_CaptureGraphBuilder2, &CaptureGraphBuilder::Create);
    CoRegisterClassCreator(CLSID_AudioRecord, [](IUnknown* outer, REFIID iid, void** object) {
        return AlsaCaptureFilter::Create(outer, "default", {}, iid, object);
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
