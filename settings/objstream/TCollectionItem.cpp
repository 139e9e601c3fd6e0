#include "settings/objstream/TCollectionItem.h"

const TClassInfo& TCollectionItem::StaticClassInfo() {
    static const TClassInfo info{"TCollectionItem", &TPersistent::StaticClassInfo(), {}};
    return info;
}
