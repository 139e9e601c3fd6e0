#include "app/TRecordingPanel.h"

#include "app/TApplicationErrors.h"
#include "app/TDrawnPictures.h"
#include "app/TLevelMeter.h"

#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QUrl>
#include <QVBoxLayout>

#include <utility>

namespace {
// The texts, in the language the window is designed in; the translation table sets them.
constexpr struct {
    const char* name;
    const char* english;
} Texts[] = {
    {"ReadyText", "Ready"},
    {"RecordingText", "Recording"},
    {"PausedText", "Paused"},
    {"InputText", "Input: %1"},
    {"NoInputText", "No audio input device was found."},
    {"MonoText", "%1 kHz · Mono · %2 bit"},
    {"StereoText", "%1 kHz · Stereo · %2 bit"},
    {"ChannelsText", "%1 kHz · %3 channels · %2 bit"},
    {"UnknownFormatText", "WAV (the format “%1” is not known)"},
    {"LastRecordingText", "Last recording: %1 · %2 · %3"},
    {"HoursLeftText", "%1 h %2 min left"},
    {"MinutesLeftText", "%1 min left"},
    {"SecondsLeftText", "%1 s left"},
    {"OneDropoutText", "1 dropout"},
    {"DropoutsText", "%1 dropouts"},
    {"LocaleName", "en_GB"},
};

QLabel* NewLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    return label;
}

// A label whose text may be longer than the window is wide: it is cut, never widening it.
void MayBeCut(QLabel* label) {
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(0);
}

QFont Enlarged(QFont font, double points, bool bold) {
    font.setPointSizeF(font.pointSizeF() + points);
    font.setBold(bold);
    return font;
}
} // namespace

TRecordingPanel::TRecordingPanel(QWidget* panel, QStatusBar* statusBar) : QWidget(panel) {
    setObjectName(QStringLiteral("RecordingPanel"));

    auto* outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(this);

    lblRecordingMark = NewLabel("lblRecordingMark", this);
    lblRecordingMark->setPixmap(TDrawnPictures::Icon(TPicture::Record).pixmap(QSize(14, 14)));
    lblRecordingMark->setFixedSize(14, 14);
    lblState = NewLabel("lblState", this);
    lblState->setFont(Enlarged(font(), 2, true));
    lblElapsed = NewLabel("lblElapsed", this);
    lblElapsed->setFont(Enlarged(font(), 8, true));
    lblElapsed->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* header = new QHBoxLayout;
    header->setSpacing(6);
    header->addWidget(lblRecordingMark);
    header->addWidget(lblState);
    header->addStretch(1);
    header->addWidget(lblElapsed);

    lblInput = NewLabel("lblInput", this);
    MayBeCut(lblInput);
    LevelMeter = new TLevelMeter(this);

    lblLastRecording = NewLabel("lblLastRecording", this);
    MayBeCut(lblLastRecording);
    btnOpenFolder = new QPushButton(QStringLiteral("Open folder"), this);
    btnOpenFolder->setObjectName(QStringLiteral("btnOpenFolder"));
    btnOpenFolder->setToolTip(
        QStringLiteral("Shows the folder of the last recording in the file manager"));
    connect(btnOpenFolder, &QPushButton::clicked, this, &TRecordingPanel::OpenFolder);
    auto* last = new QHBoxLayout;
    last->addWidget(lblLastRecording, 1);
    last->addWidget(btnOpenFolder);

    lblEndReason = NewLabel("lblEndReason", this);
    lblEndReason->setWordWrap(true);
    MayBeCut(lblEndReason);
    lblEndReason->setStyleSheet(QStringLiteral("color: #B01818;"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 6, 10, 6);
    layout->setSpacing(4);
    layout->addLayout(header);
    layout->addWidget(lblInput);
    layout->addSpacing(2);
    layout->addWidget(LevelMeter);
    layout->addSpacing(2);
    layout->addLayout(last);
    layout->addWidget(lblEndReason);
    layout->addStretch(1);

    lblRoomLeft = NewLabel("lblRoomLeft", statusBar);
    lblDropouts = NewLabel("lblDropouts", statusBar);
    statusBar->addPermanentWidget(lblDropouts);
    statusBar->addPermanentWidget(lblRoomLeft);

    // Each text set renders again, so the parts come first.
    for (const auto& text : Texts)
        setProperty(text.name, QString::fromUtf8(text.english));
    Render();
}

void TRecordingPanel::SetMessageTranslator(std::function<QString(const TUserError&)> translate) {
    FTranslate = std::move(translate);
    Render();
}

void TRecordingPanel::SetNameTranslator(std::function<QString(const QString&)> translate) {
    FTranslateName = std::move(translate);
    Render();
}

void TRecordingPanel::Show(const TRecordingStatus& status) {
    const bool figures = OnlyFiguresChanged(status);
    FStatus = status;
    if (figures)
        RenderFigures();
    else
        Render();
}

bool TRecordingPanel::OnlyFiguresChanged(const TRecordingStatus& status) const {
    const TRecordingStatus& shown = FStatus;
    return status.IsRecording() && status.State == shown.State &&
           status.InputsListed == shown.InputsListed && status.DeviceName == shown.DeviceName &&
           status.FileName == shown.FileName && status.Rate == shown.Rate &&
           status.Channels == shown.Channels && status.Bits == shown.Bits;
}

bool TRecordingPanel::event(QEvent* event) {
    if (event->type() == QEvent::DynamicPropertyChange) {
        FLocale = QLocale(Text("LocaleName"));
        Render();
    }
    return QWidget::event(event);
}

QString TRecordingPanel::Text(const char* name) const {
    return property(name).toString();
}

QString TRecordingPanel::ElapsedText(std::int64_t milliseconds) {
    const std::int64_t seconds = std::max<std::int64_t>(milliseconds, 0) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString TRecordingPanel::FormatText() const {
    const QString kHz = FLocale.toString(FStatus.Rate / 1000.0, 'g', 6);
    const QString bits = QString::number(FStatus.Bits);
    if (FStatus.Channels == 1) return Text("MonoText").arg(kHz, bits);
    if (FStatus.Channels == 2) return Text("StereoText").arg(kHz, bits);
    return Text("ChannelsText").arg(kHz, bits, QString::number(FStatus.Channels));
}

QString TRecordingPanel::RoomLeftText(std::int64_t seconds) const {
    seconds = std::max<std::int64_t>(seconds, 0);
    if (seconds >= 3600)
        return Text("HoursLeftText")
            .arg(QString::number(seconds / 3600), QString::number(seconds / 60 % 60));
    if (seconds >= 60) return Text("MinutesLeftText").arg(seconds / 60);
    return Text("SecondsLeftText").arg(seconds);
}

QString TRecordingPanel::DropoutsText(unsigned long dropouts) const {
    return dropouts == 1 ? Text("OneDropoutText") : Text("DropoutsText").arg(dropouts);
}

void TRecordingPanel::Render() {
    const bool recording = FStatus.IsRecording();
    lblRecordingMark->setVisible(recording && !FStatus.IsPaused());
    lblState->setText(Text(FStatus.IsPaused() ? "PausedText"
                           : recording        ? "RecordingText"
                                              : "ReadyText"));
    lblRecordingMark->setAccessibleName(lblState->text());
    lblElapsed->setEnabled(recording);

    QString input;
    if (FStatus.InputsListed) {
        const QString& name = FStatus.DeviceName;
        input = name.isEmpty()
                    ? Text("NoInputText")
                    : Text("InputText").arg(FTranslateName ? FTranslateName(name) : name);
        if (recording && FStatus.Rate) input += QStringLiteral(" · ") + FormatText();
        if (recording && !FStatus.UnknownFormat.isEmpty())
            input += QStringLiteral(" · ") + Text("UnknownFormatText").arg(FStatus.UnknownFormat);
    }
    lblInput->setText(input);

    const bool last = FStatus.HasLastRecording();
    lblLastRecording->setVisible(last);
    btnOpenFolder->setVisible(last);
    if (last) {
        QString text =
            Text("LastRecordingText")
                .arg(QFileInfo(FStatus.FileName).fileName(), ElapsedText(FStatus.ElapsedMs),
                     FLocale.formattedDataSize(qint64(FStatus.FileBytes), 1,
                                               QLocale::DataSizeSIFormat));
        if (FStatus.Dropouts) text += QStringLiteral(" · ") + DropoutsText(FStatus.Dropouts);
        lblLastRecording->setText(text);
        lblLastRecording->setToolTip(FStatus.FileName);
    }
    QStringList reasons;
    for (const TUserError& reason : FStatus.EndReason)
        reasons << (FTranslate ? FTranslate(reason) : reason.Values.join(u' '));
    lblEndReason->setText(reasons.join(u'\n'));
    lblEndReason->setVisible(last && !reasons.isEmpty());

    FFiguresStale = true;
    RenderFigures();
}

void TRecordingPanel::RenderFigures() {
    const bool recording = FStatus.IsRecording();
    const bool stale = std::exchange(FFiguresStale, false);
    const std::int64_t seconds = recording ? FStatus.ElapsedMs / 1000 : 0;
    if (stale || FShownSeconds != seconds) {
        FShownSeconds = seconds;
        lblElapsed->setText(ElapsedText(seconds * 1000));
    }
    static_assert(TLevelMeter::MaxChannels == TRecordingStatus::MaxLevelChannels);
    LevelMeter->SetLevels(recording ? FStatus.LevelChannels : 0, FStatus.Peak, FStatus.Clipped,
                          FStatus.TakenMs);

    // The room as it is written: in minutes from a minute on, else in seconds.
    std::optional<std::int64_t> room;
    if (recording && FStatus.RoomLeftSeconds) {
        const std::int64_t left = std::max<std::int64_t>(*FStatus.RoomLeftSeconds, 0);
        room = left >= 60 ? left / 60 : -1 - left;
    }
    if (stale || FShownRoom != room) {
        FShownRoom = room;
        lblRoomLeft->setVisible(room.has_value());
        if (room) {
            lblRoomLeft->setText(RoomLeftText(*FStatus.RoomLeftSeconds));
            const bool warning = *FStatus.RoomLeftSeconds < WarningSeconds;
            if (lblRoomLeft->property("Warning").toBool() != warning) {
                lblRoomLeft->setProperty("Warning", warning);
                lblRoomLeft->setStyleSheet(
                    warning ? QStringLiteral("color: #C01010; font-weight: bold;") : QString());
            }
        }
    }
    const unsigned long dropouts = recording ? FStatus.Dropouts : 0;
    if (stale || FShownDropouts != dropouts) {
        FShownDropouts = dropouts;
        lblDropouts->setVisible(dropouts > 0);
        if (dropouts) lblDropouts->setText(DropoutsText(dropouts));
    }
}

void TRecordingPanel::OpenFolder() {
    const QString folder = QFileInfo(FStatus.FileName).absolutePath();
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(folder)))
        TApplicationErrors::ShowError(window(),
                                      TUserError{TMessageCause::FolderNotOpened, {folder}, {}});
}
