#include "app/EUserError.h"

#include "app/TUserMessages.h"
#include "app/languages/LangTypes.h"

EUserError::EUserError(TUserError error)
    : Exception(TUserMessages::For(error, LangEnglish).Text.toStdString()),
      FError(std::move(error)) {}
