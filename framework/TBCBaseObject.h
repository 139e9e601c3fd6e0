#pragma once
// Root of every framework object the platform can hold: a name and a place in the
// process-wide count of live objects. Thread contract: any thread; the count is atomic.
#include "runtime/WinTypes.h"

#include <atomic>
#include <string>

// Live framework objects (and server locks of the class factories); never read by the system.
extern std::atomic<LONG> ActiveObjectCount;

class TBCBaseObject {
public:
    explicit TBCBaseObject(std::string objectName);
    TBCBaseObject(const TBCBaseObject&) = delete;
    TBCBaseObject& operator=(const TBCBaseObject&) = delete;
    virtual ~TBCBaseObject();

    const std::string& ObjectName() const { return objectName_; }

private:
    std::string objectName_;
};
