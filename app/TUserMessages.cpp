#include "app/TUserMessages.h"

#include "app/EUserError.h"
#include "app/languages/TLangDispatcher.h"
#include "app/languages/TLangTranslator.h"
#include "app/languages/TextTables.h"

#include <QRegularExpression>

namespace {
struct TCauseRow {
    TMessageCause cause;
    const char* key;
    TMessageKind kind;
};

using enum TMessageCause;
constexpr TMessageKind Error = TMessageKind::Error;
constexpr TMessageKind Warning = TMessageKind::Warning;
constexpr TMessageKind Information = TMessageKind::Information;

// Each cause's texts in the tables, and how its box looks.
constexpr TCauseRow CauseRows[] = {
    {NoCaptureController, "msgNoCaptureController", Error},
    {CaptureNotPrepared, "msgCaptureNotPrepared", Error},
    {FolderNotSet, "msgFolderNotSet", Error},
    {FolderNoPermission, "msgFolderNoPermission", Error},
    {FolderNotAFolder, "msgFolderNotAFolder", Error},
    {FolderDiskFull, "msgFolderDiskFull", Error},
    {FolderNotCreatable, "msgFolderNotCreatable", Error},
    {NoInput, "msgNoInput", Error},
    {InputBusy, "msgInputBusy", Error},
    {InputNotOpenable, "msgInputNotOpenable", Error},
    {InputMissing, "msgInputMissing", Warning},
    {FileNoPermission, "msgFileNoPermission", Error},
    {DiskFullAtStart, "msgDiskFullAtStart", Error},
    {NoRoomAtStart, "msgNoRoomAtStart", Error},
    {NotStarted, "msgNotStarted", Error},
    {DiskFull, "msgDiskFull", Error},
    {SizeLimit, "msgSizeLimit", Error},
    {InputLost, "msgInputLost", Error},
    {StreamEnded, "msgStreamEnded", Error},
    {RecordingAborted, "msgRecordingAborted", Error},
    {StopFailed, "msgStopFailed", Error},
    {PauseFailed, "msgPauseFailed", Error},
    {ResumeFailed, "msgResumeFailed", Error},
    {FolderNameUnusable, "msgFolderNameUnusable", Error},
    {FileNotCreatable, "msgFileNotCreatable", Error},
    {RecordingsRepaired, "msgRecordingsRepaired", Information},
    {SettingsUnreadable, "msgSettingsUnreadable", Error},
    {SettingsNotSaved, "msgSettingsNotSaved", Error},
    {FolderRelative, "msgFolderRelative", Warning},
    {FolderIsFile, "msgFolderIsFile", Warning},
    {FolderBelowAFile, "msgFolderBelowAFile", Warning},
    {FolderNotOpened, "msgFolderNotOpened", Warning},
    {UnexpectedError, "msgUnexpectedError", Error},
    {UnknownError, "msgUnknownError", Error},
};

const TCauseRow& RowOf(TMessageCause cause) {
    for (const TCauseRow& row : CauseRows)
        if (row.cause == cause) return row;
    // Every cause has its row (the tests check it); an unexpected error stands in otherwise.
    return RowOf(UnexpectedError);
}

// Every table of the program, the main window's first.
const TTranslationData* const* Tables() {
    static const TTranslationData* const tables[] = {&Form1Texts(), &Form2Texts(), nullptr};
    return tables;
}

// The row's text in the language, English where that cell is empty.
QString TextIn(const TLangRow& row, int language) {
    const QString text = row.Text(language);
    return text.isEmpty() ? row.Text(LangEnglish) : text;
}

const TLangRow* FindRow(TLangRows TTranslationData::*section, const QString& item) {
    for (const TTranslationData* const* table = Tables(); *table; ++table)
        for (const TLangRow& row : (*table)->*section)
            if (row.Item == item) return &row;
    return nullptr;
}

// The pattern with %1 ... %9 replaced by the values, in one pass (a value holding "%2" stays
// as it is).
QString WithValues(const QString& pattern, const QStringList& values) {
    static const QRegularExpression placeholder(QStringLiteral("%([1-9])"));
    QString result;
    qsizetype last = 0;
    auto it = placeholder.globalMatch(pattern);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        result += pattern.mid(last, match.capturedStart() - last);
        result += values.value(match.captured(1).toInt() - 1);
        last = match.capturedEnd();
    }
    return result + pattern.mid(last);
}

QPointer<TLangDispatcher>& Dispatcher() {
    static QPointer<TLangDispatcher> dispatcher;
    return dispatcher;
}
} // namespace

void TUserMessages::SetDispatcher(TLangDispatcher* dispatcher) {
    Dispatcher() = dispatcher;
}

int TUserMessages::Language() {
    return Dispatcher() ? Dispatcher()->ActiveLanguage() : StartLanguage;
}

TUserMessage TUserMessages::For(const TUserError& error, int language) {
    const TCauseRow& cause = RowOf(error.Cause);
    const QString key = QLatin1String(cause.key);
    const TLangRow* row = FindRow(&TTranslationData::Messages, key);
    TUserMessage message;
    message.Kind = cause.kind;
    message.Title = Caption(cause.kind == Warning       ? QStringLiteral("SMsgDlgWarning")
                            : cause.kind == Information ? QStringLiteral("SMsgDlgInformation")
                                                        : QStringLiteral("SMsgDlgError"),
                            language);
    // A value the tables know (the name the program gives an input) is told in the language too.
    QStringList values;
    for (const QString& value : error.Values)
        values << Translate(value, language);
    // A cause without its texts is a fault of the tables; the key still says what happened.
    message.Text =
        WithValues(row ? TextIn(*row, language) : key + QStringLiteral(": %1 %2 %3"), values)
            .trimmed();
    message.Details = Translate(error.Details, language);
    return message;
}

TUserMessage TUserMessages::For(const std::exception& error, int language) {
    if (const auto* user = dynamic_cast<const EUserError*>(&error))
        return For(user->Error(), language);
    return ForText(QString::fromUtf8(error.what()), language);
}

TUserMessage TUserMessages::ForText(const QString& text, int language) {
    if (auto known = TLangTranslator::TranslateMessage(Form1Texts(), language, text)) {
        TUserMessage message = For(TUserError{UnexpectedError, {}, {}}, language);
        message.Text = *known;
        return message;
    }
    return For(TUserError{UnexpectedError, {}, text}, language);
}

TUserMessage TUserMessages::Combine(const std::vector<TUserMessage>& messages) {
    if (messages.empty()) return {};
    TUserMessage combined = messages.front();
    for (std::size_t i = 1; i < messages.size(); ++i) {
        combined.Text += QStringLiteral("\n\n") + messages[i].Text;
        if (messages[i].Details.isEmpty()) continue;
        if (!combined.Details.isEmpty()) combined.Details += u'\n';
        combined.Details += messages[i].Details;
    }
    return combined;
}

QString TUserMessages::Translate(const QString& text, int language) {
    if (text.isEmpty()) return text;
    for (const TTranslationData* const* table = Tables(); *table; ++table)
        if (auto known = TLangTranslator::TranslateMessage(**table, language, text)) return *known;
    return text;
}

QString TUserMessages::Caption(const QString& name, int language) {
    const TLangRow* row = FindRow(&TTranslationData::MessageDialogs, name);
    return row ? TextIn(*row, language) : QString();
}

QString TUserMessages::QtText(const QString& item, int language) {
    const TLangRow* row = FindRow(&TTranslationData::QtTexts, item);
    const QString text = row ? row->Text(language) : QString();
    // A null text, not an empty one, lets Qt keep its own.
    return text.isEmpty() ? QString() : text;
}

std::vector<TMessageCause> TUserMessages::Causes() {
    std::vector<TMessageCause> causes;
    for (const TCauseRow& row : CauseRows)
        causes.push_back(row.cause);
    return causes;
}

QString TUserMessages::Key(TMessageCause cause) {
    return QLatin1String(RowOf(cause).key);
}
