#pragma once
// One capture device of a TDXShowCaptureDevices list: its lookup key, its display name and
// the moniker from which its filter is bound. Owned by its list.
// Thread contract: the list's thread (the GUI thread).
#include "framework/interfaces/DeviceEnum.h"
#include "runtime/ComPtr.h"

class TDXShowCaptureDevice {
public:
    // "DevicePath", or "CLSID" in text form where there is no device path.
    WideString DevicePath;
    // "Description", or "FriendlyName" where there is no description.
    WideString DeviceName;
    // "MonitorOf": for the monitor of a sound server's output (what it plays), that output's
    // name; empty for every other device.
    WideString MonitorOf;
    ComPtr<IMoniker> Moniker;
};
