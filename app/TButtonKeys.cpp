#include "app/TButtonKeys.h"

#include <QAbstractButton>
#include <QKeyEvent>

bool TButtonKeys::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    auto* button = qobject_cast<QAbstractButton*>(watched);
    // The keypad's Enter comes with the keypad modifier; any other modifier is a shortcut.
    if (!button || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if (!key->isAutoRepeat()) button->click();
    return true;
}
