#include "app/dm_Recording.h"

#include "app/TApplicationErrors.h"

TdmRecording* dmRecording = nullptr;

TdmRecording::TdmRecording(QObject* owner) : QObject(owner) {
    setObjectName(QStringLiteral("dmRecording"));
    // A controller that cannot be created is shown, and start-up goes on without it.
    RunGuiHandler(nullptr, [this] { DataModuleCreate(); });
}

TdmRecording::~TdmRecording() = default;

void TdmRecording::DataModuleCreate() {
    // The capture layer's controller is created here, with this module as its owner:
    //   FDXShowCaptureAudio = new TDXShowCaptureAudio(this);
}
