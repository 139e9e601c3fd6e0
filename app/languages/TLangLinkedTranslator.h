#pragma once
// The translator of a window that has no dispatcher of its own: it names another window's
// dispatcher ("Form1.LangDispatcher1") and links to it when its window has finished its
// creation, taking the active language at that moment. Thread contract: GUI thread only.
#include "app/languages/TLangTranslator.h"

class TLangLinkedTranslator : public TLangTranslator {
    Q_OBJECT

public:
    TLangLinkedTranslator(QWidget* window, TTranslationData data, QString dispatcherPath);

    const QString& DispatcherPath() const { return FDispatcherPath; }

    // The window's creation is complete: link to the named dispatcher if it exists (a window
    // without it keeps its design language).
    void Loaded();

private:
    QString FDispatcherPath;
};
