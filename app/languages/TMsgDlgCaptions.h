#pragma once
// The captions of the standard message dialogs (their titles and button texts), by the
// names the translation tables use ("SMsgDlgError", "SMsgDlgOK", ...). Process-wide; the
// translators set them, the message boxes read them. Thread contract: GUI thread only.
#include <QString>

class TMsgDlgCaptions {
public:
    // The caption in effect; the English one until a translator changes it. An unknown name
    // gives an empty text.
    static QString Caption(const QString& name);
    // True when the name is one of the captions (and so could be set).
    static bool Exists(const QString& name);
    static void SetCaption(const QString& name, const QString& text);
    // Back to the English captions.
    static void Reset();
};
