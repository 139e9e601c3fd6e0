#include "app/languages/TLangLinkedTranslator.h"

#include "app/languages/TLangDispatcher.h"

TLangLinkedTranslator::TLangLinkedTranslator(QWidget* window, TTranslationData data,
                                             QString dispatcherPath)
    : TLangTranslator(window, std::move(data)), FDispatcherPath(std::move(dispatcherPath)) {}

void TLangLinkedTranslator::Loaded() {
    if (TLangDispatcher* dispatcher = TLangDispatcher::Find(FDispatcherPath))
        SetLangDispatcher(dispatcher);
}
