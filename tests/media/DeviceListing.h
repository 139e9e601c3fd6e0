#pragma once
// The audio input category as the platform's system device enumerator lists it, for tests
// that look at the list: the monikers in order, and what a device's property bag holds.
#include "framework/interfaces/DeviceEnum.h"
#include "runtime/ComPtr.h"

#include <string>
#include <vector>

std::vector<ComPtr<IMoniker>> AudioInputMonikers();
// The property's text, or "<none>" when the bag does not hold it.
std::u16string DeviceProperty(IMoniker* moniker, const char16_t* name);
