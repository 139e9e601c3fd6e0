#pragma once
// Writing and reading one persistable object as an object stream: the binary encoding
// ("TPF0") or its text encoding. Errors are raised (EReadError, EWriteError, EParserError,
// EConvertError, EFOpenError, EFCreateError) and never shown here. One thread at a time per
// object and stream.
#include "runtime/WinTypes.h"

class TPersistent;
class TStream;

// Writes the object at the stream's position, as text when asText is true.
void WriteObjectToStream(TPersistent& object, TStream& stream, bool asText);
// Assigns the properties found in the stream to the object; true when the stream held the
// binary encoding, false when it held text.
bool ReadObjectFromStream(TPersistent& object, TStream& stream);

// Replaces the file only once the whole object has been written and flushed: the object is
// written into a new file beside it, which is then renamed over the old one. A failed save
// leaves the previous file as it was.
void WriteObjectToFile(TPersistent& object, const WideString& fileName, bool asText);
// Removes the new files that saves of fileName left behind when their process was killed
// before the rename (saves of running processes are left alone).
void RemoveStaleSaveFiles(const WideString& fileName);
bool ReadObjectFromFile(TPersistent& object, const WideString& fileName);
