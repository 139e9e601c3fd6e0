#pragma once
// TACEdit: a single-line edit that completes its text as the user types, from its own list
// (acsList, drawn through TEnumString) or from the file system (acsShell); the history and
// most-recently-used sources of other platforms offer nothing here. The completion is Qt's
// QCompleter: a drop-down list walked with the arrow keys, inline appending only with
// acAutoAppend. Thread contract: GUI thread only.
#include "runtime/ComPtr.h"
#include "runtime/ObjIdl.h"

#include <QFlags>
#include <QLineEdit>

#include <memory>
#include <vector>

class QAbstractItemModel;
class QCompleter;
class QStringListModel;

enum TACSource { acsList, acsHistory, acsMRU, acsShell };

enum TACOption { acAutoAppend = 0x1, acAutoSuggest = 0x2, acUseArrowKey = 0x4 };
Q_DECLARE_FLAGS(TACOptions, TACOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TACOptions)

// The completion service's option flags.
inline constexpr DWORD ACO_AUTOSUGGEST = 0x1;
inline constexpr DWORD ACO_AUTOAPPEND = 0x2;
inline constexpr DWORD ACO_UPDOWNKEYDROPSLIST = 0x20;

class TACEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TACEdit(QWidget* owner = nullptr);
    ~TACEdit() override;

    // The suggestions for acsList: sorted, duplicates ignored. Setting copies the list.
    const std::vector<WideString>& ACList() const { return FACList; }
    void SetACList(const std::vector<WideString>& list);

    bool ACEnabled() const { return FACEnabled; }
    void SetACEnabled(bool value);
    TACOptions ACOptions() const { return FACOptions; }
    void SetACOptions(TACOptions value);
    TACSource ACSource() const { return FACSource; }
    // A new source re-creates the completion when it is attached already.
    void SetACSource(TACSource value);
    bool AutoAdd() const { return FAutoAdd; }
    void SetAutoAdd(bool value) { FAutoAdd = value; }

    // The flags the options stand for (the defaults give 33).
    static DWORD OptionFlags(TACOptions options);

    // The attached completion, or null (not attached yet, or the edit works without one).
    QCompleter* AutoComplete() const { return FAutoComplete.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Attaches the completion (the first time the edit is shown, and after a source change).
    void CreateWnd();
    void DestroyWnd();
    void RecreateWnd();
    void CreateSource();
    void ApplyEnabledAndOptions();
    void DoExit();
    void KeyDown(QKeyEvent* event);
    void DeleteHighlightedSuggestion();
    // Rebuilds the shown list from the source enumerator.
    void ResetEnumerator();
    void AppendCompletion(const QString& typed);
    // The file system delivers a folder's entries some time after they are asked for: the
    // folder of the typed text is asked for as the user types, and offered once it is read.
    void FetchShellFolder(const QString& typed);
    void ShellFolderLoaded(const QString& folder);
    void AddToACList(const WideString& text);

    std::vector<WideString> FACList;
    bool FACEnabled = true;
    TACOptions FACOptions = acAutoSuggest | acUseArrowKey;
    TACSource FACSource = acsList;
    bool FAutoAdd = true;

    bool FComInitialized = false;
    bool FWindowCreated = false;
    bool FLastKeyDeleted = false;
    // The completion is no child of the edit: QLineEdit deletes a child completer when it is
    // detached, and a disabled completion must survive until it is enabled again.
    std::unique_ptr<QCompleter> FAutoComplete;
    // Owned child: the model the completion shows, released with it.
    QAbstractItemModel* FSourceModel = nullptr;
    // The suggestion source for acsList.
    ComPtr<IEnumString> FSource;
};
