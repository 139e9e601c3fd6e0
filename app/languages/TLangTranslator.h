#pragma once
// The translator of one window: applies the window's translation table in the active
// language through Qt's property system (items by objectName, the window also by its class
// name), then sends the window QEvent::LanguageChange, so that it can compose the texts that
// are made of table texts and its own state. Thread contract: GUI thread only; no lock.
#include "app/languages/LangTypes.h"
#include "app/languages/TLangDispatcher.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <optional>

class TLangTranslator : public QObject {
    Q_OBJECT

public:
    // The window owns the translator; it starts in language 1, the language the window is
    // designed in.
    TLangTranslator(QWidget* window, TTranslationData data);
    ~TLangTranslator() override;

    int ActiveLanguage() const { return FActiveLanguage; }
    // Applies the table in the given language when it differs from the active one; a number
    // outside 1..NumOfLanguages raises the range error and changes nothing.
    void SetActiveLanguage(int language);
    QString Language() const { return FLanguage; }
    int NumOfLanguages() const { return FNumOfLanguages; }
    const QStringList& LangNames() const { return FLangNames; }

    TLangDispatcher* LangDispatcher() const { return FLangDispatcher; }
    // Links to the dispatcher (or unlinks with null): takes over its languages and its
    // active language at once.
    void SetLangDispatcher(TLangDispatcher* dispatcher);

    bool ChangeLocales() const { return FChangeLocales; }
    void SetChangeLocales(bool value) { FChangeLocales = value; }

    const TTranslationData& TranslationData() const { return FData; }
    QWidget* Window() const { return FWindow; }

    // The message in the active language, when the table has a non-empty form of it there.
    std::optional<QString> TranslateMessage(const QString& message) const;
    // The same for any table and language: the row whose English text (with "%s" and "%d"
    // for values) matches the message, in that language with the values put back.
    static std::optional<QString> TranslateMessage(const TTranslationData& data, int language,
                                                   const QString& message);

    // Called by the dispatcher while linking.
    void TakeLanguages(int count, const QStringList& names);

    // The range error for a language number.
    static QString RangeErrorText(int language, int count);

private:
    void Apply(int language);
    void ApplyWindowRows(const TLangRows& rows, const char* property, int language);
    void ApplyRows(const TLangRows& rows, const char* property, int language);
    void ApplyFonts(int language);
    void ApplyMultiLineTexts(int language);
    void ApplyStrings(int language);
    void ApplyLocales(int language);
    void ApplyCollections(int language);
    void ApplyMessageDialogs(int language);

    bool IsWindowName(const QString& name) const;
    QObject* FindItem(const QString& name) const;

    // The owner; the translator is its child, so the window outlives it.
    QWidget* FWindow;
    TTranslationData FData;
    int FActiveLanguage = LangEnglish;
    QString FLanguage = ::LangNames.value(0);
    int FNumOfLanguages = ::NumOfLanguages;
    QStringList FLangNames = ::LangNames;
    bool FChangeLocales = false;
    // Not owned: the dispatcher lives on another window and may go first.
    QPointer<TLangDispatcher> FLangDispatcher;
};
