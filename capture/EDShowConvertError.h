#pragma once
// A value the graph control units cannot convert: a time of 24 hours or more, a device list
// copied into an object that cannot take it.
#include "runtime/Exception.h"

class EDShowConvertError : public Exception {
public:
    using Exception::Exception;
};
