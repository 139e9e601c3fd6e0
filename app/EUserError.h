#pragma once
// An error raised with a message for the user: the cause and what it concerns. The error
// display turns it into the words of the active language; what() gives the English words.
#include "app/UserMessageTypes.h"
#include "runtime/Exception.h"

class EUserError : public Exception {
public:
    explicit EUserError(TUserError error);
    EUserError(TMessageCause cause, QStringList values = {}, QString details = {})
        : EUserError(TUserError{cause, std::move(values), std::move(details)}) {}

    const TUserError& Error() const noexcept { return FError; }

private:
    TUserError FError;
};
