#pragma once
// Holds the active language of the program and passes every change to the translators
// linked to it, in the order they were linked. Thread contract: GUI thread only; no lock.
#include "app/languages/LangTypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class TLangTranslator;

class TLangDispatcher : public QObject {
    Q_OBJECT

public:
    explicit TLangDispatcher(QObject* owner);
    ~TLangDispatcher() override;

    int ActiveLanguage() const { return FActiveLanguage; }
    // Sets the language on every linked translator, then takes its name; a number outside
    // 1..NumOfLanguages raises the range error and changes nothing.
    void SetActiveLanguage(int language);
    QString Language() const { return FLanguage; }
    int NumOfLanguages() const { return ::NumOfLanguages; }
    QStringList LangNames() const { return ::LangNames; }

    // Called by a translator when its dispatcher is set. Linking hands the translator the
    // languages and the active language at once.
    void Link(TLangTranslator* translator);
    void Unlink(TLangTranslator* translator);
    QList<TLangTranslator*> Translators() const;

    // The message in the active language, from the first linked translator whose table has
    // it; the message unchanged otherwise.
    QString TranslateMessage(const QString& message) const;

    // The dispatcher named by "Window.Dispatcher" among the application's windows (by their
    // objectName), or null. This is how a window links to another window's dispatcher.
    static TLangDispatcher* Find(const QString& path);

private:
    int FActiveLanguage = LangEnglish;
    QString FLanguage = ::LangNames.value(0);
    // Not owned: each translator belongs to its window and unlinks itself when it goes.
    QList<QPointer<TLangTranslator>> FTranslators;
};
