#include "app/TPictureIconEngine.h"

#include <QPixmap>

void TPictureIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode,
                               QIcon::State) {
    painter->save();
    if (mode == QIcon::Disabled) painter->setOpacity(0.4);
    TDrawnPictures::Paint(*painter, FPicture, QRectF(rect));
    painter->restore();
}

QPixmap TPictureIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) {
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap TPictureIconEngine::scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                                         qreal scale) {
    QPixmap pixmap(size * scale);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(0, 0), pixmap.size()), mode, state);
    }
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QSize TPictureIconEngine::actualSize(const QSize& size, QIcon::Mode, QIcon::State) {
    return size;
}

// Every size here is painted and sent to the X server with each window at its creation; the
// desktop's large icons come from the installed icon of the desktop entry, so a window offers
// none larger than 64 pixels (a 256-pixel one cost a tenth of the start-up).
QList<QSize> TPictureIconEngine::availableSizes(QIcon::Mode, QIcon::State) {
    return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
}
