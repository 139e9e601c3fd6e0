#include "app/languages/TLangDispatcher.h"

#include "app/languages/TLangTranslator.h"
#include "runtime/Exception.h"

#include <QApplication>
#include <QWidget>

TLangDispatcher::TLangDispatcher(QObject* owner) : QObject(owner) {}

TLangDispatcher::~TLangDispatcher() {
    const QList<TLangTranslator*> translators = Translators();
    FTranslators.clear();
    for (TLangTranslator* translator : translators)
        translator->SetLangDispatcher(nullptr);
}

void TLangDispatcher::SetActiveLanguage(int language) {
    if (language < 1 || language > NumOfLanguages())
        throw Exception(TLangTranslator::RangeErrorText(language, NumOfLanguages()).toStdString());
    FActiveLanguage = language;
    for (TLangTranslator* translator : Translators())
        translator->SetActiveLanguage(language);
    FLanguage = ::LangNames.value(language - 1);
}

void TLangDispatcher::Link(TLangTranslator* translator) {
    if (!translator || FTranslators.contains(translator)) return;
    FTranslators.append(translator);
    translator->TakeLanguages(NumOfLanguages(), LangNames());
    translator->SetActiveLanguage(FActiveLanguage);
}

void TLangDispatcher::Unlink(TLangTranslator* translator) {
    FTranslators.removeAll(translator);
}

QList<TLangTranslator*> TLangDispatcher::Translators() const {
    QList<TLangTranslator*> result;
    for (const QPointer<TLangTranslator>& translator : FTranslators)
        if (translator) result.append(translator);
    return result;
}

QString TLangDispatcher::TranslateMessage(const QString& message) const {
    for (TLangTranslator* translator : Translators())
        if (auto translated = translator->TranslateMessage(message)) return *translated;
    return message;
}

TLangDispatcher* TLangDispatcher::Find(const QString& path) {
    const qsizetype dot = path.indexOf(u'.');
    if (dot <= 0) return nullptr;
    const QString windowName = path.left(dot);
    const QString dispatcherName = path.mid(dot + 1);
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() != windowName) continue;
        if (auto* dispatcher = window->findChild<TLangDispatcher*>(dispatcherName))
            return dispatcher;
    }
    return nullptr;
}
