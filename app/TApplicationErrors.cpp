#include "app/TApplicationErrors.h"

#include "app/TUserMessages.h"
#include "app/languages/TQtTextTranslator.h"

#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace {
TApplicationErrors::TDisplay& Display() {
    static TApplicationErrors::TDisplay display = TApplicationErrors::ShowMessageBox;
    return display;
}

bool& UnattendedFlag() {
    static bool unattended = false;
    return unattended;
}

void WriteToStandardError(const TUserMessage& message) {
    QString text = QStringLiteral("hymnaro-recorder: ") + message.Text + u'\n';
    if (!message.Details.isEmpty()) text += message.Details + u'\n';
    const QByteArray line = text.toUtf8();
    (void)std::fwrite(line.constData(), 1, std::size_t(line.size()), stderr);
    (void)std::fflush(stderr);
}
} // namespace

void TApplicationErrors::ShowMessageBox(QWidget* parent, const TUserMessage& message) {
    // The details button's own words come from Qt, in the tables' language through this.
    TQtTextTranslator::Install();
    QMessageBox box(message.Kind == TMessageKind::Warning       ? QMessageBox::Warning
                    : message.Kind == TMessageKind::Information ? QMessageBox::Information
                                                                : QMessageBox::Critical,
                    message.Title, message.Text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    if (!message.Details.isEmpty()) box.setDetailedText(message.Details);
    box.button(QMessageBox::Ok)->setText(TUserMessages::Caption(QStringLiteral("SMsgDlgOK")));
    box.exec();
}

void TApplicationErrors::Show(QWidget* parent, const TUserMessage& message) noexcept {
    try {
        if (UnattendedFlag())
            WriteToStandardError(message);
        else
            Display()(parent, message);
    } catch (...) {
        // Showing an error must not become one; the message is lost, the program goes on.
    }
}

void TApplicationErrors::ShowError(QWidget* parent, const TUserError& error) noexcept {
    try {
        Show(parent, TUserMessages::For(error));
    } catch (...) {
    }
}

void TApplicationErrors::ShowException(QWidget* parent, const std::exception& error) noexcept {
    try {
        Show(parent, TUserMessages::For(error));
    } catch (...) {
    }
}

void TApplicationErrors::ShowUnknownException(QWidget* parent) noexcept {
    ShowError(parent, TUserError{TMessageCause::UnknownError, {}, {}});
}

void TApplicationErrors::ShowMessage(QWidget* parent, const QString& text) noexcept {
    try {
        Show(parent, TUserMessages::ForText(text));
    } catch (...) {
    }
}

void TApplicationErrors::SetUnattended(bool unattended) {
    UnattendedFlag() = unattended;
}

bool TApplicationErrors::Unattended() {
    return UnattendedFlag();
}

TApplicationErrors::TDisplay TApplicationErrors::SetDisplay(TDisplay display) {
    return std::exchange(Display(), display ? std::move(display) : TDisplay(ShowMessageBox));
}
