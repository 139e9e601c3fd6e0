#include "app/languages/TMsgDlgCaptions.h"

#include <QHash>

namespace {
QHash<QString, QString> EnglishCaptions() {
    return {
        {QStringLiteral("SMsgDlgWarning"), QStringLiteral("Warning")},
        {QStringLiteral("SMsgDlgError"), QStringLiteral("Error")},
        {QStringLiteral("SMsgDlgInformation"), QStringLiteral("Information")},
        {QStringLiteral("SMsgDlgConfirm"), QStringLiteral("Confirm")},
        {QStringLiteral("SMsgDlgYes"), QStringLiteral("&Yes")},
        {QStringLiteral("SMsgDlgNo"), QStringLiteral("&No")},
        {QStringLiteral("SMsgDlgOK"), QStringLiteral("OK")},
        {QStringLiteral("SMsgDlgCancel"), QStringLiteral("Cancel")},
        {QStringLiteral("SMsgDlgAbort"), QStringLiteral("&Abort")},
        {QStringLiteral("SMsgDlgRetry"), QStringLiteral("&Retry")},
        {QStringLiteral("SMsgDlgIgnore"), QStringLiteral("&Ignore")},
        {QStringLiteral("SMsgDlgAll"), QStringLiteral("&All")},
        {QStringLiteral("SMsgDlgNoToAll"), QStringLiteral("N&o to All")},
        {QStringLiteral("SMsgDlgYesToAll"), QStringLiteral("Yes to &All")},
        {QStringLiteral("SMsgDlgHelp"), QStringLiteral("&Help")},
    };
}

QHash<QString, QString>& Captions() {
    static QHash<QString, QString> captions = EnglishCaptions();
    return captions;
}
} // namespace

QString TMsgDlgCaptions::Caption(const QString& name) {
    return Captions().value(name);
}

bool TMsgDlgCaptions::Exists(const QString& name) {
    return Captions().contains(name);
}

void TMsgDlgCaptions::SetCaption(const QString& name, const QString& text) {
    auto it = Captions().find(name);
    if (it != Captions().end()) *it = text;
}

void TMsgDlgCaptions::Reset() {
    Captions() = EnglishCaptions();
}
