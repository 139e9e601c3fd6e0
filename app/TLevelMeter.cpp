#include "app/TLevelMeter.h"

#include <QEvent>
#include <QPainter>
#include <QStringList>

#include <QPaintEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

namespace {
constexpr double Silence = -std::numeric_limits<double>::infinity();
// The texts, in the language the window is designed in; the translation table sets them.
constexpr struct {
    const char* name;
    const char* english;
} Texts[] = {
    {"StereoText", "Left %1, right %2"}, {"ChannelText", "Channel %1 %2"}, {"DecibelText", "%1 dB"},
    {"SilenceText", "below -60 dB"},     {"ClippedText", "%1, clipped"},   {"LocaleName", "en_GB"},
};

constexpr int LabelWidth = 12;
constexpr int LampWidth = 16;
constexpr int ScaleHeight = 13;
constexpr double Scale[] = {-60, -50, -40, -30, -20, -12, -6, -3, 0};

// The colour of the zone a level lies in: green, then yellow from -12 dB, red from -3 dB.
QColor ZoneColour(double db) {
    if (db >= -3) return QColor(0xE0, 0x3C, 0x31);
    if (db >= -12) return QColor(0xE6, 0xC2, 0x29);
    return QColor(0x3C, 0xB0, 0x43);
}
} // namespace

TLevelMeter::TLevelMeter(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("LevelMeter"));
    FLevelDb.fill(Silence);
    FHoldDb.fill(Silence);
    for (const auto& text : Texts)
        setProperty(text.name, QString::fromUtf8(text.english));
    setAccessibleName(QStringLiteral("Input level"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    Describe(true);
}

double TLevelMeter::ToDb(double fraction) {
    return fraction > 0 ? 20.0 * std::log10(fraction) : Silence;
}

void TLevelMeter::SetLevels(unsigned channels, const std::array<double, MaxChannels>& peaks,
                            const std::array<bool, MaxChannels>& clipped, std::int64_t nowMs) {
    const std::int64_t passed = std::max<std::int64_t>(nowMs - FLastMs, 0);
    FLastMs = nowMs;
    const unsigned bars = FBars;
    FBars = channels == 0 ? FBars : std::min(channels, MaxChannels);
    if (FBars != bars) updateGeometry();
    FClipped = clipped;
    for (unsigned c = 0; c < MaxChannels; ++c) {
        const double db = c < channels ? ToDb(peaks[c]) : Silence;
        FLevelDb[c] = db;
        double& hold = FHoldDb[c];
        if (channels == 0) {
            hold = Silence; // nothing measured: nothing to hold
        } else if (db >= hold) {
            hold = db;
            FHoldSince[c] = nowMs;
        } else if (nowMs - FHoldSince[c] > HoldMs) {
            hold = std::max(db, hold - FallDbPerSecond * double(passed) / 1000.0);
        }
    }
    Describe();
    const TDrawn drawn = Drawn();
    if (drawn == FDrawn) return;
    // The scale stays as it is unless the number of bars changed.
    const bool barsChanged = drawn.bars != FDrawn.bars;
    FDrawn = drawn;
    if (barsChanged)
        update();
    else
        update(0, 0, width(), BarsHeight(FBars));
}

QString TLevelMeter::Text(const char* name) const {
    return property(name).toString();
}

QString TLevelMeter::LevelText(unsigned channel) const {
    const double db = FLevelDb[channel];
    QString text =
        db < MinDb ? Text("SilenceText") : Text("DecibelText").arg(FLocale.toString(db, 'f', 1));
    if (FClipped[channel]) text = Text("ClippedText").arg(text);
    return text;
}

void TLevelMeter::Describe(bool textsChanged) {
    std::array<int, MaxChannels + 1> described{int(FBars)};
    for (unsigned c = 0; c < MaxChannels; ++c)
        described[c + 1] = FLevelDb[c] < MinDb ? INT_MIN : int(std::lround(FLevelDb[c] * 10));
    if (!textsChanged && described == FDescribed && FClipped == FDescribedClipped) return;
    FDescribed = described;
    FDescribedClipped = FClipped;
    QString description;
    if (FBars == 1) {
        description = LevelText(0);
    } else if (FBars == 2) {
        description = Text("StereoText").arg(LevelText(0), LevelText(1));
    } else {
        QStringList channels;
        for (unsigned c = 0; c < FBars; ++c)
            channels << Text("ChannelText").arg(QString::number(c + 1), LevelText(c));
        description = channels.join(QStringLiteral(", "));
    }
    if (accessibleDescription() != description) setAccessibleDescription(description);
}

bool TLevelMeter::event(QEvent* event) {
    if (event->type() == QEvent::DynamicPropertyChange) {
        FLocale = QLocale(Text("LocaleName"));
        Describe(true);
    }
    return QWidget::event(event);
}

int TLevelMeter::BarWidth() const {
    return std::max(width() - LabelWidth - LampWidth - 4, 10);
}

TLevelMeter::TDrawn TLevelMeter::Drawn() const {
    TDrawn drawn;
    drawn.bars = FBars;
    const int barWidth = BarWidth();
    for (unsigned c = 0; c < MaxChannels; ++c) {
        drawn.level[c] = FLevelDb[c] < MinDb ? -1 : Position(FLevelDb[c], barWidth);
        drawn.hold[c] = FHoldDb[c] < MinDb ? -1 : Position(FHoldDb[c], barWidth);
    }
    drawn.clipped = FClipped;
    return drawn;
}

int TLevelMeter::BarHeight(unsigned bars) {
    return bars <= 2 ? 14 : 7;
}

int TLevelMeter::BarGap(unsigned bars) {
    return bars <= 2 ? 5 : 2;
}

int TLevelMeter::BarsHeight(unsigned bars) {
    return int(bars) * (BarHeight(bars) + BarGap(bars)) - BarGap(bars);
}

QSize TLevelMeter::sizeHint() const {
    // The stereo meter's height at least, so that a mono meter does not move what is below it.
    return {400, std::max(BarsHeight(FBars), BarsHeight(2)) + BarGap(2) + ScaleHeight};
}

QSize TLevelMeter::minimumSizeHint() const {
    return {200, sizeHint().height()};
}

int TLevelMeter::Position(double db, int width) {
    const double at = (std::clamp(db, MinDb, 0.0) - MinDb) / -MinDb;
    return int(std::lround(at * width));
}

void TLevelMeter::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int barLeft = LabelWidth;
    const int barWidth = BarWidth();
    QFont small = font();
    small.setPointSizeF(std::max(small.pointSizeF() - 1, 6.0));
    painter.setFont(small);

    const int barHeight = BarHeight(FBars);
    QFont tiny = small;
    tiny.setPixelSize(barHeight + BarGap(FBars));
    for (unsigned c = 0; c < FBars; ++c) {
        const int top = int(c) * (barHeight + BarGap(FBars));
        const QRect bar(barLeft, top, barWidth, barHeight);
        painter.setPen(palette().color(QPalette::WindowText));
        if (FBars == 2) {
            painter.drawText(QRect(0, top, LabelWidth, barHeight), Qt::AlignCenter,
                             c == 0 ? QStringLiteral("L") : QStringLiteral("R"));
        } else if (FBars > 2) {
            painter.setFont(tiny);
            painter.drawText(QRect(0, top - 1, LabelWidth, barHeight + 2), Qt::AlignCenter,
                             QString::number(c + 1));
            painter.setFont(small);
        }
        painter.fillRect(bar, QColor(0x3A, 0x3A, 0x3A));
        // The level, drawn in the colours of the zones it reaches.
        const int filled = Position(FLevelDb[c], barWidth);
        for (const auto& [from, to] : {std::pair{MinDb, -12.0}, {-12.0, -3.0}, {-3.0, 0.0}}) {
            const int left = Position(from, barWidth),
                      right = std::min(Position(to, barWidth), filled);
            if (right > left)
                painter.fillRect(QRect(barLeft + left, top, right - left, barHeight),
                                 ZoneColour(from));
        }
        if (FHoldDb[c] >= MinDb) {
            const int at = barLeft + std::min(Position(FHoldDb[c], barWidth), barWidth - 2);
            painter.fillRect(QRect(at, top, 2, barHeight), ZoneColour(FHoldDb[c]).lighter(130));
        }
        const QRect lamp(barLeft + barWidth + 4, top, LampWidth, barHeight);
        painter.fillRect(lamp, FClipped[c] ? QColor(0xFF, 0x20, 0x20) : QColor(0x5A, 0x30, 0x30));
    }

    // The scale below the bars.
    const int scaleTop = BarsHeight(FBars) + 1;
    if (event->rect().bottom() < scaleTop) return;
    painter.setPen(palette().color(QPalette::WindowText));
    for (const double db : Scale) {
        const int x = barLeft + Position(db, barWidth);
        painter.drawLine(x, scaleTop, x, scaleTop + 2);
        const QString label = QString::number(int(db));
        const int w = painter.fontMetrics().horizontalAdvance(label);
        const int left = std::clamp(x - w / 2, 0, width() - w);
        painter.drawText(QRect(left, scaleTop + 2, w + 1, ScaleHeight),
                         Qt::AlignLeft | Qt::AlignTop, label);
    }
    painter.drawText(
        QRect(barLeft + barWidth + 4, scaleTop + 2, width() - barLeft - barWidth - 4, ScaleHeight),
        Qt::AlignRight | Qt::AlignTop, QStringLiteral("dB"));
}
