#pragma once
// Shared pieces of the GUI tests: a private home folder, the settings, recorded messages.
#include "runtime/WinTypes.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <string>

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
    const QStringList& Messages() const { return FMessages; }

private:
    QStringList FMessages;
};

// Processes events until the condition holds or the time is up.
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 5000);
