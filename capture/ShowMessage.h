#pragma once
// The two ways the graph control units show something without a caller to raise to: a plain
// modal message box with an OK button (ShowMessage), and the display of an exception raised
// while a graph event was delivered from the event loop (ShowEventException). The
// application may put its own display in place of either; tests put recorders there.
// Thread contract: GUI thread only.
#include <QString>

#include <exception>
#include <functional>

using TMessageDisplay = std::function<void(const QString& text)>;

void ShowMessage(const QString& text) noexcept;
void ShowEventException(const std::exception& error) noexcept;
void ShowUnknownEventException() noexcept;

// Each answers the display it replaces; an empty function restores the message box.
TMessageDisplay SetMessageDisplay(TMessageDisplay display);
TMessageDisplay SetEventExceptionDisplay(TMessageDisplay display);
