#pragma once
// The writer of the object routines: adds writing the properties of the saved object itself,
// which for a collection are its own properties followed by the "items" pseudo-property. One
// thread.
#include "settings/objstream/TWriter.h"

class TWriterExt : public TWriter {
public:
    using TWriter::TWriter;

    void WriteObjectProperties(const TPersistent& object);
};
