#include "app/TDrawnPictures.h"

#include "app/TPictureIconEngine.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>

namespace {
// Everything is drawn in a 24 x 24 grid; the painter scales it to the target.

void PaintRecord(QPainter& p) {
    QRadialGradient fill(QPointF(9.5, 8.5), 11);
    fill.setColorAt(0, QColor(0xFF, 0x86, 0x80));
    fill.setColorAt(0.45, QColor(0xE0, 0x1E, 0x1E));
    fill.setColorAt(1, QColor(0x9E, 0x00, 0x00));
    p.setBrush(fill);
    p.setPen(QPen(QColor(0x7A, 0x00, 0x00), 1));
    p.drawEllipse(QPointF(12, 12), 9, 9);
}

void PaintStop(QPainter& p) {
    QLinearGradient fill(QPointF(0, 5), QPointF(0, 19));
    fill.setColorAt(0, QColor(0x6C, 0x9C, 0xF5));
    fill.setColorAt(1, QColor(0x1C, 0x4C, 0xB5));
    p.setBrush(fill);
    p.setPen(QPen(QColor(0x15, 0x39, 0x8A), 1));
    p.drawRoundedRect(QRectF(5, 5, 14, 14), 1.5, 1.5);
}

void PaintPause(QPainter& p) {
    // Two bars with the gap between them at the centre, in the amber of a waiting signal.
    QLinearGradient fill(QPointF(0, 5), QPointF(0, 19));
    fill.setColorAt(0, QColor(0xFF, 0xC8, 0x4A));
    fill.setColorAt(1, QColor(0xD0, 0x82, 0x0C));
    p.setBrush(fill);
    p.setPen(QPen(QColor(0x9A, 0x5A, 0x00), 1));
    p.drawRoundedRect(QRectF(5.5, 5, 5, 14), 1.2, 1.2);
    p.drawRoundedRect(QRectF(13.5, 5, 5, 14), 1.2, 1.2);
}

void PaintSetup(QPainter& p) {
    const QPen outline(QColor(0x3C, 0x40, 0x46), 0.8);

    // The hammer, from bottom right to top left, behind the wrench.
    p.save();
    p.translate(12, 12);
    p.rotate(-45);
    QLinearGradient wood(QPointF(-1.4, 0), QPointF(1.4, 0));
    wood.setColorAt(0, QColor(0xE0, 0xA8, 0x66));
    wood.setColorAt(1, QColor(0x9C, 0x62, 0x28));
    p.setPen(QPen(QColor(0x6E, 0x42, 0x16), 0.8));
    p.setBrush(wood);
    p.drawRoundedRect(QRectF(-1.4, -5, 2.8, 15.5), 1.2, 1.2);
    QLinearGradient iron(QPointF(0, -10), QPointF(0, -4.5));
    iron.setColorAt(0, QColor(0x8A, 0x92, 0x9C));
    iron.setColorAt(1, QColor(0x4A, 0x50, 0x58));
    p.setPen(outline);
    p.setBrush(iron);
    QPainterPath head;
    head.moveTo(-6.5, -9.5);
    head.lineTo(4.0, -9.5);
    head.lineTo(6.5, -8.2); // the claw
    head.lineTo(6.5, -6.6);
    head.lineTo(4.0, -5.0);
    head.lineTo(-6.5, -5.0);
    head.closeSubpath();
    p.drawPath(head);
    p.restore();

    // The wrench, from bottom left to top right, with an open jaw at its top.
    p.save();
    p.translate(12, 12);
    p.rotate(45);
    QPainterPath body;
    body.addRoundedRect(QRectF(-1.7, -4.0, 3.4, 14.5), 1.7, 1.7);
    body.addEllipse(QPointF(0, -6.2), 4.4, 4.4);
    QPainterPath jaw;
    jaw.addRect(QRectF(-1.8, -11.5, 3.6, 6.2));
    const QPainterPath wrench = body.simplified().subtracted(jaw);
    QLinearGradient steel(QPointF(-4.4, 0), QPointF(4.4, 0));
    steel.setColorAt(0, QColor(0xE6, 0xE9, 0xED));
    steel.setColorAt(1, QColor(0x86, 0x8E, 0x98));
    p.setPen(outline);
    p.setBrush(steel);
    p.drawPath(wrench);
    p.restore();
}

void PaintOK(QPainter& p) {
    QPainterPath check;
    check.moveTo(4.5, 12.5);
    check.lineTo(9.5, 17.5);
    check.lineTo(19.5, 6.5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0x1E, 0x8A, 0x2E), 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(check);
}

void PaintCancel(QPainter& p) {
    p.setPen(QPen(QColor(0xC8, 0x24, 0x24), 3.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6, 6), QPointF(18, 18));
    p.drawLine(QPointF(18, 6), QPointF(6, 18));
}

void PaintApp(QPainter& p) {
    QLinearGradient back(QPointF(0, 1), QPointF(0, 23));
    back.setColorAt(0, QColor(0x3A, 0x4C, 0x60));
    back.setColorAt(1, QColor(0x1E, 0x28, 0x34));
    p.setPen(Qt::NoPen);
    p.setBrush(back);
    p.drawRoundedRect(QRectF(1, 1, 22, 22), 4.5, 4.5);
    p.save();
    p.translate(12, 12);
    p.scale(0.55, 0.55);
    p.translate(-12, -12);
    PaintRecord(p);
    p.restore();
    // Sound leaving the disc on both sides.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xF2, 0xF4, 0xF7), 1.3, Qt::SolidLine, Qt::RoundCap));
    for (double r : {7.0, 9.5}) {
        const QRectF arc(12 - r, 12 - r, 2 * r, 2 * r);
        p.drawArc(arc, -40 * 16, 80 * 16);
        p.drawArc(arc, 140 * 16, 80 * 16);
    }
}
} // namespace

void TDrawnPictures::Paint(QPainter& painter, TPicture picture, const QRectF& target) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(target.topLeft());
    painter.scale(target.width() / 24.0, target.height() / 24.0);
    switch (picture) {
    case TPicture::Setup:
        PaintSetup(painter);
        break;
    case TPicture::Stop:
        PaintStop(painter);
        break;
    case TPicture::Record:
        PaintRecord(painter);
        break;
    case TPicture::Pause:
        PaintPause(painter);
        break;
    case TPicture::OK:
        PaintOK(painter);
        break;
    case TPicture::Cancel:
        PaintCancel(painter);
        break;
    case TPicture::App:
        PaintApp(painter);
        break;
    }
    painter.restore();
}

QIcon TDrawnPictures::Icon(TPicture picture) {
    return QIcon(new TPictureIconEngine(picture));
}
