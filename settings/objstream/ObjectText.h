#pragma once
// The text encoding of the object stream and its conversion to and from the binary encoding.
// Each converts one complete object from the input's position to the output's. Errors are
// raised (EReadError for binary input, EParserError and EConvertError for text input) and
// never shown here. Numbers are written and read with "." as the decimal separator whatever
// the locale (no global state is touched). One thread at a time per stream.
class TStream;

void BinaryStreamToText(TStream& input, TStream& output);
void TextStreamToBinary(TStream& input, TStream& output);
