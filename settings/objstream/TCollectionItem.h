#pragma once
// One item of a TCollection; a persistable object with its own properties. Owned by its
// collection; one thread at a time.
#include "settings/objstream/TPersistent.h"

class TCollectionItem : public TPersistent {
public:
    static const TClassInfo& StaticClassInfo();
    const TClassInfo& ClassInfo() const override { return StaticClassInfo(); }
};
