#pragma once
// The recording data module: owns the one audio capture controller. Thread contract: created,
// used and destroyed on the GUI thread.
#include <QObject>

#include <functional>

// The audio capture controller of the capture layer.
class TDXShowCaptureAudio;

class TdmRecording : public QObject {
    Q_OBJECT

public:
    explicit TdmRecording(QObject* owner = nullptr);
    ~TdmRecording() override;

    // The capture controller, or null when start-up went on without one.
    TDXShowCaptureAudio* DXShowCaptureAudio() const { return FDXShowCaptureAudio; }

    // What makes the controller (with its owner); tests put their own in place. An empty
    // function restores the real one. Answers the factory it replaces.
    using TControllerFactory = std::function<TDXShowCaptureAudio*(QObject* owner)>;
    static TControllerFactory SetControllerFactory(TControllerFactory factory);

private:
    void DataModuleCreate();

    // Owned as a child component: created with the module as its owner, destroyed with it
    // (which stops a recording in progress and completes its file).
    TDXShowCaptureAudio* FDXShowCaptureAudio = nullptr;
};

// The one recording data module of the program (not owned here; the program creates it).
extern TdmRecording* dmRecording;
