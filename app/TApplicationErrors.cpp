#include "app/TApplicationErrors.h"

#include "app/languages/TLangDispatcher.h"
#include "app/languages/TMsgDlgCaptions.h"

#include <QMessageBox>
#include <QPushButton>

namespace {
QPointer<TLangDispatcher>& Dispatcher() {
    static QPointer<TLangDispatcher> dispatcher;
    return dispatcher;
}

void ShowMessageBox(QWidget* parent, const QString& message) {
    QMessageBox box(QMessageBox::Critical, TMsgDlgCaptions::Caption(QStringLiteral("SMsgDlgError")),
                    message, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(TMsgDlgCaptions::Caption(QStringLiteral("SMsgDlgOK")));
    box.exec();
}

TApplicationErrors::TDisplay& Display() {
    static TApplicationErrors::TDisplay display = ShowMessageBox;
    return display;
}
} // namespace

void TApplicationErrors::ShowMessage(QWidget* parent, const QString& message) noexcept {
    try {
        Display()(parent, Translate(message));
    } catch (...) {
        // Showing an error must not become one; the message is lost, the program goes on.
    }
}

void TApplicationErrors::ShowException(QWidget* parent, const std::exception& error) noexcept {
    ShowMessage(parent, QString::fromUtf8(error.what()));
}

void TApplicationErrors::ShowUnknownException(QWidget* parent) noexcept {
    ShowMessage(parent, QStringLiteral("An unknown error occurred."));
}

void TApplicationErrors::SetDispatcher(TLangDispatcher* dispatcher) {
    Dispatcher() = dispatcher;
}

QString TApplicationErrors::Translate(const QString& message) {
    return Dispatcher() ? Dispatcher()->TranslateMessage(message) : message;
}

TApplicationErrors::TDisplay TApplicationErrors::SetDisplay(TDisplay display) {
    return std::exchange(Display(), display ? std::move(display) : TDisplay(ShowMessageBox));
}
