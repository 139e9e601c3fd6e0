#pragma once
// The system device enumerator (CLSID_SystemDeviceEnum). The audio input category lists, in
// this order: ALSA's default device (it follows the sound settings; an empty device key
// takes it); then, when a PulseAudio-compatible sound server answers (within
// kSoundServerTimeout) and ALSA can open its sources, every source of the server, inputs
// first and the monitors of its outputs after them, each opened as "pulse:<source name>";
// otherwise each capture device of each sound card through ALSA's plug layer. An empty
// category answers S_FALSE with no enumerator.
// The names are the system's own and in no language of ours: the default device's as ALSA's
// configuration describes it, a source's as the server describes it, a monitor's as the
// server describes it with the output's description in "MonitorOf", so that the program
// names them in the user's language.
// Thread contract: any thread; each call lists the devices anew.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/DeviceEnum.h"
#include "media/devices/DeviceTypes.h"

#include <chrono>

class SystemDeviceEnum final : public TBCUnknown, public ICreateDevEnum {
public:
    // How long the sound server has to answer before the list goes on without it.
    static constexpr std::chrono::milliseconds kSoundServerTimeout{500};

    explicit SystemDeviceEnum(IUnknown* outer);

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker** enumerator,
                                  DWORD flags) override;

    // The audio input devices in the order above, from the current ALSA backend and sound
    // server.
    static std::vector<CaptureDeviceEntry> AudioInputs();
};
