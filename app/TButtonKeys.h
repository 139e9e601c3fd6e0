#pragma once
// Lets Enter and Return press the focused button it watches, as Space does (a tool button
// answers only Space by itself). Installed as an event filter on the toolbar's buttons.
// Thread contract: GUI thread only.
#include <QObject>

class TButtonKeys : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
