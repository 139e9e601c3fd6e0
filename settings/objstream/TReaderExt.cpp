#include "settings/objstream/TReaderExt.h"

#include "settings/objstream/TCollection.h"

void TReaderExt::ReadObjectProperties(TPersistent& object) {
    auto* collection = dynamic_cast<TCollection*>(&object);
    while (!EndOfList()) {
        if (!collection) {
            ReadProperty(object);
            continue;
        }
        const std::string name = ReadStr();
        if (name != "items") {
            ReadNamedProperty(object, name);
            continue;
        }
        const TValueType tag = ReadValue();
        if (tag == TValueType::vaCollection) {
            ReadCollection(*collection);
        } else {
            SkipPayload(tag);
            PropertyError(object, name, "Invalid property value");
        }
    }
}

bool TReaderExt::Error(const std::string&) {
    return true;
}
