#include "settings/objstream/ObjectStream.h"

#include "settings/objstream/ObjStreamErrors.h"

// The encodings follow; until then a file can be neither written nor read.
void WriteObjectToStream(TPersistent&, TStream&, bool) {
    throw EWriteError("Stream write error");
}

bool ReadObjectFromStream(TPersistent&, TStream&) {
    throw EReadError("Stream read error");
}

void WriteObjectToFile(TPersistent&, const WideString&, bool) {
    throw EWriteError("Stream write error");
}

bool ReadObjectFromFile(TPersistent&, const WideString&) {
    throw EReadError("Stream read error");
}
