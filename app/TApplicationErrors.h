#pragma once
// The application's error display: an exception that leaves a GUI event handler is shown in
// a message box and the program goes on. Every handler runs inside RunGuiHandler, so no
// exception ever travels through Qt's event loop. What is shown is a message in words
// (TUserMessages makes it): the main text in the box, the technical reason behind its
// details button. Once the program is being ended by its session (a termination signal, a
// logout) nobody is there to close a box: messages then go to the standard error stream and
// nothing waits. Thread contract: GUI thread only.
#include "app/UserMessageTypes.h"

#include <QString>
#include <QWidget>

#include <exception>
#include <functional>

class TApplicationErrors {
public:
    // Shows the message in a message box, or writes it to the standard error stream while
    // unattended. Never raises.
    static void Show(QWidget* parent, const TUserMessage& message) noexcept;
    // The error in the active language.
    static void ShowError(QWidget* parent, const TUserError& error) noexcept;
    static void ShowException(QWidget* parent, const std::exception& error) noexcept;
    static void ShowUnknownException(QWidget* parent) noexcept;
    // A text of the layers below (the capture units' own messages), as TUserMessages::ForText
    // puts it.
    static void ShowMessage(QWidget* parent, const QString& text) noexcept;

    // From now on nobody answers a message box (the session ends the program): messages are
    // written to the standard error stream and the program goes on at once.
    static void SetUnattended(bool unattended);
    static bool Unattended();

    // What shows a message; the message box by default. Tests put a recorder in its place.
    using TDisplay = std::function<void(QWidget* parent, const TUserMessage& message)>;
    static TDisplay SetDisplay(TDisplay display);
    // The message box itself, as the default display shows it (for tests of its look).
    static void ShowMessageBox(QWidget* parent, const TUserMessage& message);
};

// Runs one GUI event handler; what it raises is shown and goes no further.
template <class Handler>
void RunGuiHandler(QWidget* parent, Handler&& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& error) {
        TApplicationErrors::ShowException(parent, error);
    } catch (...) {
        TApplicationErrors::ShowUnknownException(parent);
    }
}
