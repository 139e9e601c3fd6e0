#include "settings/objstream/TWriterExt.h"

#include "settings/objstream/TCollection.h"

void TWriterExt::WriteObjectProperties(const TPersistent& object) {
    WriteProperties(object);
    if (const auto* collection = dynamic_cast<const TCollection*>(&object)) {
        WriteStr("items");
        WriteCollection(*collection);
    }
}
