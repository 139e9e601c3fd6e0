#pragma once
// An index outside a list of the graph control units: "List index out of bounds (%d)".
#include "runtime/Exception.h"

class EDShowListError : public Exception {
public:
    using Exception::Exception;
};
