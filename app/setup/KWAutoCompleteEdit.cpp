#include "app/setup/KWAutoCompleteEdit.h"

#include "app/TApplicationErrors.h"
#include "app/setup/TEnumString.h"
#include "runtime/Apartment.h"
#include "runtime/TaskMemory.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileSystemModel>
#include <QKeyEvent>
#include <QStringListModel>

#include <algorithm>

TACEdit::TACEdit(QWidget* owner) : QLineEdit(owner) {
    const HRESULT hr = CoInitialize(nullptr);
    FComInitialized = hr == S_OK || hr == S_FALSE;
    // Appending waits until the edit has updated its list for the typed text, so the list
    // shows what was typed, not what was appended.
    connect(this, &QLineEdit::textEdited, this, [this](const QString& typed) {
        RunGuiHandler(this, [&] { FetchShellFolder(typed); });
        if (FLastKeyDeleted) return;
        QMetaObject::invokeMethod(
            this, [this, typed] { RunGuiHandler(this, [&] { AppendCompletion(typed); }); },
            Qt::QueuedConnection);
    });
}

TACEdit::~TACEdit() {
    DestroyWnd();
    if (FComInitialized) CoUninitialize();
}

void TACEdit::SetACList(const std::vector<WideString>& list) {
    FACList = list;
    std::sort(FACList.begin(), FACList.end());
    FACList.erase(std::unique(FACList.begin(), FACList.end()), FACList.end());
    ResetEnumerator();
}

void TACEdit::AddToACList(const WideString& text) {
    const auto at = std::lower_bound(FACList.begin(), FACList.end(), text);
    if (at != FACList.end() && *at == text) return;
    FACList.insert(at, text);
    ResetEnumerator();
}

void TACEdit::SetACEnabled(bool value) {
    FACEnabled = value;
    ApplyEnabledAndOptions();
}

void TACEdit::SetACOptions(TACOptions value) {
    FACOptions = value;
    ApplyEnabledAndOptions();
}

void TACEdit::SetACSource(TACSource value) {
    if (value == FACSource) return;
    FACSource = value;
    RecreateWnd();
}

DWORD TACEdit::OptionFlags(TACOptions options) {
    DWORD flags = 0;
    if (options & acAutoAppend) flags |= ACO_AUTOAPPEND;
    if (options & acAutoSuggest) flags |= ACO_AUTOSUGGEST;
    if (options & acUseArrowKey) flags |= ACO_UPDOWNKEYDROPSLIST;
    return flags;
}

void TACEdit::showEvent(QShowEvent* event) {
    if (!FWindowCreated) RunGuiHandler(this, [this] { CreateWnd(); });
    QLineEdit::showEvent(event);
}

void TACEdit::CreateWnd() {
    DestroyWnd();
    FWindowCreated = true;
    // Without the object model on this thread the edit works without completion.
    if (!FComInitialized) return;
    if (!FSourceModel) CreateSource();
    FAutoComplete = std::make_unique<QCompleter>(FSourceModel);
    FAutoComplete->setCompletionRole(Qt::DisplayRole);
    // File names on this platform differ by case; the list matches as the user sees it.
    FAutoComplete->setCaseSensitivity(FACSource == acsShell ? Qt::CaseSensitive
                                                            : Qt::CaseInsensitive);
    ApplyEnabledAndOptions();
}

void TACEdit::CreateSource() {
    switch (FACSource) {
    case acsList: {
        FSource = ComPtr<IEnumString>(new TEnumString(FACList));
        FSourceModel = new QStringListModel(this);
        ResetEnumerator();
        break;
    }
    case acsShell: {
        auto* model = new QFileSystemModel(this);
        model->setRootPath(QString());
        connect(model, &QFileSystemModel::directoryLoaded, this, [this](const QString& folder) {
            RunGuiHandler(this, [&] { ShellFolderLoaded(folder); });
        });
        FSourceModel = model;
        break;
    }
    case acsHistory:
    case acsMRU:
        FSourceModel = new QStringListModel(this);
        break;
    }
}

void TACEdit::DestroyWnd() {
    if (FAutoComplete) {
        if (completer() == FAutoComplete.get()) setCompleter(nullptr);
        FAutoComplete.reset();
    }
    delete FSourceModel;
    FSourceModel = nullptr;
    FSource = nullptr;
}

void TACEdit::RecreateWnd() {
    if (!FWindowCreated) return;
    DestroyWnd();
    CreateWnd();
}

void TACEdit::ApplyEnabledAndOptions() {
    if (!FAutoComplete) return;
    const bool suggest = FACOptions.testFlag(acAutoSuggest);
    const bool append = FACOptions.testFlag(acAutoAppend);
    if (!FACEnabled || (!suggest && !append)) {
        if (completer() == FAutoComplete.get()) setCompleter(nullptr);
        return;
    }
    // Appending beside the list is done here on typing; Qt alone appends only without it.
    FAutoComplete->setCompletionMode(suggest ? QCompleter::PopupCompletion
                                             : QCompleter::InlineCompletion);
    if (completer() != FAutoComplete.get()) setCompleter(FAutoComplete.get());
}

void TACEdit::ResetEnumerator() {
    auto* model = qobject_cast<QStringListModel*>(FSourceModel);
    if (!FSource || !model) return;
    QStringList strings;
    (void)FSource->Reset();
    LPWSTR batch[16];
    ULONG fetched = 0;
    HRESULT hr = S_OK;
    do {
        hr = FSource->Next(ULONG(std::size(batch)), batch, &fetched);
        if (FAILED(hr)) break;
        for (ULONG i = 0; i < fetched; ++i) {
            strings << QString::fromUtf16(batch[i]);
            CoTaskMemFree(batch[i]);
        }
    } while (hr == S_OK);
    const bool shown = FAutoComplete && FAutoComplete->popup()->isVisible();
    model->setStringList(strings);
    if (shown && completer() == FAutoComplete.get()) FAutoComplete->complete();
}

void TACEdit::keyPressEvent(QKeyEvent* event) {
    RunGuiHandler(this, [&] { KeyDown(event); });
    FLastKeyDeleted = event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace;
    QLineEdit::keyPressEvent(event);
}

void TACEdit::KeyDown(QKeyEvent* event) {
    if (FACSource == acsList && event->key() == Qt::Key_Delete) DeleteHighlightedSuggestion();
    // The up and down keys open the list when acUseArrowKey asks for it; once it is open,
    // the list itself takes them.
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (arrow && FACOptions.testFlag(acUseArrowKey) && FAutoComplete &&
        completer() == FAutoComplete.get() &&
        FAutoComplete->completionMode() == QCompleter::PopupCompletion &&
        !FAutoComplete->popup()->isVisible()) {
        FAutoComplete->setCompletionPrefix(text());
        FAutoComplete->complete();
    }
}

void TACEdit::DeleteHighlightedSuggestion() {
    std::size_t longest = 0;
    for (const WideString& text : FACList)
        longest = std::max(longest, text.size());
    if (longest == 0) return;
    if (!FAutoComplete || !FAutoComplete->popup()->isVisible()) return;
    const QModelIndex highlighted = FAutoComplete->popup()->currentIndex();
    if (!highlighted.isValid()) return;
    const WideString text = highlighted.data(Qt::DisplayRole).toString().toStdU16String();
    const auto at = std::lower_bound(FACList.begin(), FACList.end(), text);
    if (at == FACList.end() || *at != text) return;
    FACList.erase(at);
    ResetEnumerator();
}

void TACEdit::AppendCompletion(const QString& typed) {
    // Qt's popup mode never appends; with both options the first match is appended and
    // selected, so typing on replaces it. Deleting never appends; text typed since is newer.
    if (!FAutoComplete || completer() != FAutoComplete.get() || typed.isEmpty() ||
        text() != typed || !FACOptions.testFlag(acAutoAppend) ||
        !FACOptions.testFlag(acAutoSuggest))
        return;
    FAutoComplete->setCompletionPrefix(typed);
    const QString match = FAutoComplete->currentCompletion();
    if (match.size() <= typed.size() || !match.startsWith(typed, FAutoComplete->caseSensitivity()))
        return;
    setText(typed + match.mid(typed.size()));
    setSelection(int(typed.size()), int(match.size() - typed.size()));
}

void TACEdit::FetchShellFolder(const QString& typed) {
    auto* model = qobject_cast<QFileSystemModel*>(FSourceModel);
    const qsizetype slash = typed.lastIndexOf(u'/');
    if (!model || slash < 0) return;
    const QModelIndex folder = model->index(typed.left(slash + 1));
    if (folder.isValid() && model->canFetchMore(folder)) model->fetchMore(folder);
}

void TACEdit::ShellFolderLoaded(const QString& folder) {
    // Typed faster than the folder was read: offer its entries now that they are known.
    if (!FAutoComplete || completer() != FAutoComplete.get() || !hasFocus() ||
        FAutoComplete->completionMode() != QCompleter::PopupCompletion ||
        FAutoComplete->popup()->isVisible())
        return;
    const QString typed = text();
    if (!typed.startsWith(folder)) return;
    FAutoComplete->setCompletionPrefix(typed);
    if (FAutoComplete->completionCount() > 0) FAutoComplete->complete();
}

void TACEdit::focusOutEvent(QFocusEvent* event) {
    // Opening the list or leaving the window keeps the focus in the edit as far as the
    // dialog is concerned.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        RunGuiHandler(this, [this] { DoExit(); });
    QLineEdit::focusOutEvent(event);
}

void TACEdit::DoExit() {
    if (FACSource == acsList && FAutoAdd && !text().isEmpty()) AddToACList(text().toStdU16String());
}
