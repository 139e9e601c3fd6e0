#include "framework/TBCBaseObject.h"

#include "runtime/Interlocked.h"

std::atomic<LONG> ActiveObjectCount{0};

TBCBaseObject::TBCBaseObject(std::string objectName) : objectName_(std::move(objectName)) {
    InterlockedIncrement(ActiveObjectCount);
}

TBCBaseObject::~TBCBaseObject() {
    InterlockedDecrement(ActiveObjectCount);
}
