#include "capture/ShowMessage.h"

#include <QMessageBox>

#include <utility>

namespace {
void PlainMessageBox(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, QString(), text, QMessageBox::Ok);
    box.exec();
}

void ErrorMessageBox(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok);
    box.exec();
}

TMessageDisplay& MessageDisplay() {
    static TMessageDisplay display = PlainMessageBox;
    return display;
}

TMessageDisplay& EventExceptionDisplay() {
    static TMessageDisplay display = ErrorMessageBox;
    return display;
}

void Show(const TMessageDisplay& display, const QString& text) noexcept {
    try {
        display(text);
    } catch (...) {
        // Showing a message must not become an error of its own; the message is lost.
    }
}
} // namespace

void ShowMessage(const QString& text) noexcept {
    Show(MessageDisplay(), text);
}

void ShowEventException(const std::exception& error) noexcept {
    Show(EventExceptionDisplay(), QString::fromUtf8(error.what()));
}

void ShowUnknownEventException() noexcept {
    Show(EventExceptionDisplay(), QStringLiteral("An unknown error occurred."));
}

TMessageDisplay SetMessageDisplay(TMessageDisplay display) {
    return std::exchange(MessageDisplay(),
                         display ? std::move(display) : TMessageDisplay(PlainMessageBox));
}

TMessageDisplay SetEventExceptionDisplay(TMessageDisplay display) {
    return std::exchange(EventExceptionDisplay(),
                         display ? std::move(display) : TMessageDisplay(ErrorMessageBox));
}
