#pragma once
// Shared pieces of the GUI tests: a private home folder, the settings, recorded messages.
#include "app/UserMessageTypes.h"
#include "runtime/WinTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

// Test failures show texts as text.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// The home folder the test executable runs in (HOME, XDG_CONFIG_HOME below it).
std::string TestHome();

// A fresh folder below the test home.
QString NewTestFolder(const QString& name);

// The settings as the program has them (created, loaded, auto-save armed) for the scope.
class TSettingsScope {
public:
    TSettingsScope();
    ~TSettingsScope();
};

// Records what the application's error display would show, instead of a message box.
class TShownMessages {
public:
    TShownMessages();
    ~TShownMessages();
    // The main texts, in order.
    const QStringList& Messages() const { return FMessages; }
    // The whole messages: title, main text and details.
    const std::vector<TUserMessage>& Shown() const { return FShown; }
    void Clear() {
        FMessages.clear();
        FShown.clear();
    }

private:
    QStringList FMessages;
    std::vector<TUserMessage> FShown;
};

// The main text holds no result code ($80004005), no system error number and nothing of the
// platform's inner words.
bool HoldsNoCode(const QString& text);

// Processes events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000);
