#pragma once
// The one mapper from what happened to what the user reads: a cause with its values becomes
// the title, the main text and the details of a message, in a language of the program's
// translation tables. The language is the main window's (its dispatcher's active language);
// before there is a main window it is the language the program starts in, German.
// Thread contract: GUI thread only (the dispatcher is a GUI object); no lock.
#include "app/UserMessageTypes.h"

#include <QPointer>

#include <exception>
#include <vector>

class TLangDispatcher;

class TUserMessages {
public:
    // The dispatcher whose language messages are shown in (the main window's); not owned.
    static void SetDispatcher(TLangDispatcher* dispatcher);
    // The language messages are in now.
    static int Language();

    static TUserMessage For(const TUserError& error, int language = Language());
    // An EUserError as its cause says; a text the tables know (raised by the layers below) in
    // that language; any other text as an unexpected error, the text in the details.
    static TUserMessage For(const std::exception& error, int language = Language());
    static TUserMessage ForText(const QString& text, int language = Language());
    // Several messages shown together, in their order.
    static TUserMessage Combine(const std::vector<TUserMessage>& messages);

    // A text raised by the layers below in the language, when the tables know it; else as it is.
    static QString Translate(const QString& text, int language = Language());
    // A caption of the standard message dialogs ("SMsgDlgError", "SMsgDlgOK", ...) in the
    // language; the English one where that language's cell is empty.
    static QString Caption(const QString& name, int language = Language());
    // A text of the tables' Qt section ("Context|Source text"), or an empty text when the
    // language leaves Qt's own.
    static QString QtText(const QString& item, int language = Language());

    // Every cause, for the tests that check each has its texts.
    static std::vector<TMessageCause> Causes();
    // The cause's key in the message tables ("msgFolderNotSet", ...).
    static QString Key(TMessageCause cause);
};
