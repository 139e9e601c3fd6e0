#pragma once
// Errors of the object stream, its text encoding and its files. Each carries the message the
// user sees (UTF-8). Raised by the stream, reader, writer, parser and file routines; caught by
// whoever shows them.
#include "runtime/Exception.h"

// A stream that cannot deliver or take the bytes asked for, or cannot be opened or created.
class EStreamError : public Exception {
public:
    using Exception::Exception;
};

// An object stream that the reader or writer cannot process.
class EFilerError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

class EReadError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

class EWriteError : public EFilerError {
public:
    using EFilerError::EFilerError;
};

// "Cannot open file "%s". %s"
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// "Cannot create file "%s". %s"
class EFCreateError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

// A syntax error in the text encoding: "<message> on line <n>".
class EParserError : public Exception {
public:
    using Exception::Exception;
};

// A number token that does not convert: "'%s' is not a valid integer value".
class EConvertError : public Exception {
public:
    using Exception::Exception;
};
