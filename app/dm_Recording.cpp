#include "app/dm_Recording.h"

#include "app/TApplicationErrors.h"
#include "capture/ShowMessage.h"
#include "capture/TDXShowCaptureAudio.h"

#include <utility>

namespace {
TdmRecording::TControllerFactory& ControllerFactory() {
    static TdmRecording::TControllerFactory factory;
    return factory;
}
} // namespace

TdmRecording* dmRecording = nullptr;

TdmRecording::TdmRecording(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("dmRecording"));
    // A controller that cannot be created is shown, and start-up goes on without it.
    RunGuiHandler(nullptr, [this] { DataModuleCreate(); });
}

TdmRecording::~TdmRecording() = default;

TdmRecording::TControllerFactory TdmRecording::SetControllerFactory(TControllerFactory factory) {
    return std::exchange(ControllerFactory(), std::move(factory));
}

void TdmRecording::DataModuleCreate() {
    // What the capture layer shows by itself goes through the application's error display,
    // in the active language like every other message.
    (void)SetMessageDisplay(
        [](const QString& text) { TApplicationErrors::ShowMessage(nullptr, text); });
    (void)SetEventExceptionDisplay(
        [](const QString& text) { TApplicationErrors::ShowMessage(nullptr, text); });
    FDXShowCaptureAudio =
        ControllerFactory() ? ControllerFactory()(this) : new TDXShowCaptureAudio(this);
}
