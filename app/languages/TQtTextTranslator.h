#pragma once
// Qt's own texts in its widgets (the details button of a message box, the edit fields' context
// menu, the names of the keys in a shortcut) in the language messages are in, from the tables'
// Qt section. Installed once in the application; an empty cell leaves Qt's English text.
// Thread contract: installed on the GUI thread; asked on another thread it answers nothing.
#include <QTranslator>

class TQtTextTranslator : public QTranslator {
    Q_OBJECT

public:
    // Installs the one translator of the application object, once (again for a new one).
    static void Install();

    QString translate(const char* context, const char* sourceText,
                      const char* disambiguation = nullptr, int n = -1) const override;
    bool isEmpty() const override { return false; }

private:
    using QTranslator::QTranslator;
};
