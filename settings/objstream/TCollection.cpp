#include "settings/objstream/TCollection.h"

const TClassInfo& TCollection::StaticClassInfo() {
    static const TClassInfo info{"TCollection", &TPersistent::StaticClassInfo(), {}};
    return info;
}

TCollectionItem& TCollection::Add() {
    items_.push_back(factory_());
    return *items_.back();
}
