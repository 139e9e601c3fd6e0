#pragma once
// The application's error display: an exception that leaves a GUI event handler is shown in
// an error message box and the program goes on. Every handler runs inside RunGuiHandler, so
// no exception ever travels through Qt's event loop. Once the program is being ended by its
// session (a termination signal, a logout) nobody is there to close a box: messages then go
// to the standard error stream and nothing waits. Thread contract: GUI thread only.
#include <QPointer>
#include <QString>
#include <QWidget>

#include <exception>
#include <functional>

class TLangDispatcher;

class TApplicationErrors {
public:
    // Shows a message in the error box, in the active language when the main window's
    // dispatcher knows it; writes it to the standard error stream instead while unattended.
    // Never raises.
    static void ShowMessage(QWidget* parent, const QString& message) noexcept;
    static void ShowException(QWidget* parent, const std::exception& error) noexcept;
    static void ShowUnknownException(QWidget* parent) noexcept;

    // The dispatcher whose language messages are shown in (the main window's); not owned.
    static void SetDispatcher(TLangDispatcher* dispatcher);
    static QString Translate(const QString& message);

    // From now on nobody answers a message box (the session ends the program): messages are
    // written to the standard error stream and the program goes on at once.
    static void SetUnattended(bool unattended);
    static bool Unattended();

    // What shows a message; the message box by default. Tests put a recorder in its place.
    using TDisplay = std::function<void(QWidget* parent, const QString& message)>;
    static TDisplay SetDisplay(TDisplay display);
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
