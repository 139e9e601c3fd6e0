#include "media/devices/SystemDeviceEnum.h"

#include "framework/TBCEnumerator.h"
#include "framework/TBCListSnapshot.h"
#include "framework/interfaces/MediaGuids.h"
#include "media/alsa/AlsaBackend.h"
#include "media/devices/DeviceMoniker.h"
#include "media/devices/SoundServer.h"

#include <algorithm>

namespace {
AlsaCaptureFormat FormatOf(const SoundServerSource& source) {
    AlsaCaptureFormat format;
    format.rate = source.rate;
    format.channels = source.channels;
    return format;
}

CaptureDeviceEntry EntryOf(const SoundServerSource& source) {
    CaptureDeviceEntry entry;
    entry.device.name = std::string(kSoundServerDevice) + ":" + source.name;
    entry.device.description = source.description;
    entry.wanted = FormatOf(source);
    if (source.monitor) entry.monitorOf = source.monitorOf;
    return entry;
}
} // namespace

SystemDeviceEnum::SystemDeviceEnum(IUnknown* outer)
    : TBCUnknown("System device enumerator", outer) {}

HRESULT SystemDeviceEnum::Create(IUnknown* outer, REFIID iid, void** object) {
    return CreateUnaggregatedObject<SystemDeviceEnum>(outer, iid, object);
}

HRESULT SystemDeviceEnum::InnerQueryInterface(REFIID iid, void** object) {
    if (iid == IID_ICreateDevEnum) return GetInterface(static_cast<ICreateDevEnum*>(this), object);
    return TBCUnknown::InnerQueryInterface(iid, object);
}

std::vector<CaptureDeviceEntry> SystemDeviceEnum::AudioInputs() {
    const std::shared_ptr<AlsaBackend> alsa = AlsaBackend::Current();
    SoundServerAnswer server;
    // A server whose sources ALSA cannot open is of no use to the list.
    if (alsa->OpensSoundServerSources())
        server = SoundServer::Current()->Sources(kSoundServerTimeout);
    if (!server.answered) server = {};

    std::vector<CaptureDeviceEntry> entries;
    for (AlsaCaptureDevice& device : alsa->CaptureDevices(!server.answered)) {
        CaptureDeviceEntry entry;
        // The default device that is the server's records its default source, in that
        // source's own format.
        if (device.followsSoundServer && !device.card) {
            const auto source = std::find_if(
                server.sources.begin(), server.sources.end(),
                [&](const SoundServerSource& s) { return s.name == server.defaultSource; });
            if (source != server.sources.end()) entry.wanted = FormatOf(*source);
        }
        entry.device = std::move(device);
        entries.push_back(std::move(entry));
    }
    for (const bool monitors : {false, true})
        for (const SoundServerSource& source : server.sources)
            if (source.monitor == monitors) entries.push_back(EntryOf(source));
    return entries;
}

HRESULT SystemDeviceEnum::CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                                DWORD) {
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (category != CLSID_AudioInputDeviceCategory) return S_FALSE; // nothing else exists here
    std::vector<ComPtr<IMoniker>> monikers;
    for (CaptureDeviceEntry& entry : AudioInputs()) {
        ComPtr<IMoniker> moniker;
        RETURN_IF_FAILED(
            CreateObject<DeviceMoniker>(nullptr, IID_PPV_ARGS(moniker.put()), std::move(entry)));
        monikers.push_back(std::move(moniker));
    }
    if (monikers.empty()) return S_FALSE;
    using MonikerEnumerator = TBCEnumerator<TBCListSnapshot<IEnumMoniker, IMoniker>>;
    return CreateObject<MonikerEnumerator>(
        nullptr, IID_IEnumMoniker, reinterpret_cast<void**>(enumerator), std::move(monikers));
}
