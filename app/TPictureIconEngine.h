#pragma once
// Icon engine that paints a drawn picture at whatever size and scale is asked, instead of
// scaling a stored bitmap. Thread contract: GUI thread (as every QIcon).
#include "app/TDrawnPictures.h"

#include <QIconEngine>

class TPictureIconEngine : public QIconEngine {
public:
    explicit TPictureIconEngine(TPicture picture) : FPicture(picture) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state,
                         qreal scale) override;
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override { return new TPictureIconEngine(FPicture); }
    QString key() const override { return QStringLiteral("TPictureIconEngine"); }

private:
    TPicture FPicture;
};
