#include "capture/TDXShowCaptureDevice.h"
