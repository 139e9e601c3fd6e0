#pragma once
// Root of the persistable objects: an object that describes its published properties so that
// the object stream can write and read it. Used by one thread at a time.
#include "settings/objstream/PersistentTypes.h"

#include <string>
#include <string_view>
#include <vector>

class TPersistent {
public:
    virtual ~TPersistent() = default;

    static const TClassInfo& StaticClassInfo();
    // The class's own record; every persistable class overrides it.
    virtual const TClassInfo& ClassInfo() const { return StaticClassInfo(); }

    const std::string& ClassName() const { return ClassInfo().Name; }
};

// The published properties of a class, base classes first, each in declaration order.
std::vector<const TPropInfo*> PublishedProperties(const TClassInfo& info);
// The property of that name (letter case of A..Z disregarded), or nullptr.
const TPropInfo* FindPublishedProperty(const TClassInfo& info, std::string_view name);
// Equality of two names without regard to ASCII letter case.
bool SameText(std::string_view a, std::string_view b);
