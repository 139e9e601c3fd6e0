#pragma once
// The reader of the object routines: reads the properties of the loaded object itself (for a
// collection, its own properties and the "items" pseudo-property), and lets reading go on
// after an error that concerns one property, so that unknown or mistyped properties are
// skipped. One thread.
#include "settings/objstream/TReader.h"

class TReaderExt : public TReader {
public:
    using TReader::TReader;

    // Properties until the end-of-list byte, which is not consumed.
    void ReadObjectProperties(TPersistent& object);

protected:
    bool Error(const std::string& message) override;
};
