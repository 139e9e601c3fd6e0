#include "app/TApplicationErrors.h"

#include "app/languages/TLangDispatcher.h"
#include "app/languages/TMsgDlgCaptions.h"

#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

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

bool& UnattendedFlag() {
    static bool unattended = false;
    return unattended;
}

void WriteToStandardError(const QString& message) {
    const QByteArray line = (QStringLiteral("hymnaro-recorder: ") + message + u'\n').toUtf8();
    (void)std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    (void)std::fflush(stderr);
}
} // namespace

void TApplicationErrors::ShowMessage(QWidget* parent, const QString& message) noexcept {
    try {
        const QString text = Translate(message);
        if (UnattendedFlag())
            WriteToStandardError(text);
        else
            Display()(parent, text);
    } catch (...) {
        // Showing an error must not become one; the message is lost, the program goes on.
    }
}

void TApplicationErrors::SetUnattended(bool unattended) {
    UnattendedFlag() = unattended;
}

bool TApplicationErrors::Unattended() {
    return UnattendedFlag();
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
