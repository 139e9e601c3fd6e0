#pragma once
// The program's pictures, drawn as vector shapes so they are crisp at any size and scale.
// The first four are the toolbar's pictures (24 x 24 design grid). Thread contract: any
// thread that may paint (QPainter on a QImage); icons on the GUI thread.
#include <QIcon>
#include <QPainter>
#include <QRectF>

enum class TPicture {
    Setup = 0,  // crossed hammer and wrench
    Stop = 1,   // blue square
    Record = 2, // red disc
    Pause = 3,  // two upright bars
    OK,         // green check mark
    Cancel,     // red cross
    App,        // the program's icon
};

class TDrawnPictures {
public:
    // Draws the picture scaled into the target rectangle.
    static void Paint(QPainter& painter, TPicture picture, const QRectF& target);
    // An icon that draws the picture afresh for every size and device pixel ratio asked of it.
    static QIcon Icon(TPicture picture);
};
