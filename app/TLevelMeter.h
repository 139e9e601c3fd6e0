#pragma once
// The input level meter of the main window: one bar per channel (narrower ones for more than
// two channels, the meter growing for them) on a dBFS scale from MinDb to
// 0 dB, the highest level of the last HoldMs held as a mark that then falls, and a clip lamp
// per channel. Its value, the levels in words and numbers, is its accessible description, so
// that a screen reader reads it. Its texts are properties that the window's translation table
// sets (the patterns below, and the locale that writes the numbers).
// Thread contract: GUI thread only.
#include <QLocale>
#include <QWidget>

#include <array>
#include <cstdint>

class TLevelMeter : public QWidget {
    Q_OBJECT

public:
    static constexpr double MinDb = -60;
    static constexpr int HoldMs = 1500;
    static constexpr double FallDbPerSecond = 20;
    static constexpr unsigned MaxChannels = 8;

    explicit TLevelMeter(QWidget* parent);

    // The levels at nowMs (a steady clock's milliseconds) as fractions of full scale, for
    // channels channels (0: nothing is measured; the bars stay, empty), and the clip lamps.
    void SetLevels(unsigned channels, const std::array<double, MaxChannels>& peaks,
                   const std::array<bool, MaxChannels>& clipped, std::int64_t nowMs);

    // The bars shown, and what they show (dBFS; -infinity for silence).
    unsigned Bars() const { return FBars; }
    double LevelDb(unsigned channel) const { return FLevelDb[channel]; }
    double HoldDb(unsigned channel) const { return FHoldDb[channel]; }
    bool Clipped(unsigned channel) const { return FClipped[channel]; }

    // A fraction of full scale in dBFS; -infinity for 0.
    static double ToDb(double fraction);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // The description, made anew only when what it says changes (a tenth of a decibel).
    void Describe(bool textsChanged = false);
    QString LevelText(unsigned channel) const;
    QString Text(const char* name) const;
    // Where a level lies across the bar of the given width.
    static int Position(double db, int width);
    int BarWidth() const;
    // The height of a bar and the gap below it, and of all bars, for a number of bars.
    static int BarHeight(unsigned bars);
    static int BarGap(unsigned bars);
    static int BarsHeight(unsigned bars);
    // Where the drawn parts lie now, to repaint only when a pixel moves.
    struct TDrawn {
        unsigned bars = 0;
        std::array<int, MaxChannels> level{}, hold{};
        std::array<bool, MaxChannels> clipped{};
        bool operator==(const TDrawn&) const = default;
    };
    TDrawn Drawn() const;

    unsigned FBars = 2;
    std::array<double, MaxChannels> FLevelDb;
    std::array<double, MaxChannels> FHoldDb;
    std::array<std::int64_t, MaxChannels> FHoldSince{};
    std::array<bool, MaxChannels> FClipped{};
    std::int64_t FLastMs = 0;
    TDrawn FDrawn;
    // What the description says: bars, and per channel tenths of a dB (INT_MIN below MinDb).
    std::array<int, MaxChannels + 1> FDescribed{-1};
    std::array<bool, MaxChannels> FDescribedClipped{};
    QLocale FLocale;
};
