#include "capture/TDXShowCaptureAudio.h"

#include "Encoders/FlacDest/THMFlacDestFilter.h"
#include "Encoders/OpusDest/THMOpusDestFilter.h"
#include "WaveDest/THMWavDestFilter.h"
#include "capture/GraphConnection.h"
#include "capture/GuiThread.h"
#include "capture/TDXShowCaptureDevices.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

namespace {
// The destination filter's name in the graph, and in the messages (where WAV's has always been
// spelt "Wav Dest").
WideString DestName(TRecordingFileFormat format, bool inMessage = false) {
    switch (format) {
    case TRecordingFileFormat::Flac:
        return u"FLAC Dest";
    case TRecordingFileFormat::Opus:
        return u"Opus Dest";
    case TRecordingFileFormat::Wav:
        break;
    }
    return inMessage ? u"Wav Dest" : u"WAV Dest";
}
} // namespace

TDXShowCaptureAudio::TDXShowCaptureAudio(QObject* owner, const TGraphFactory& makeGraph)
    : TDXShow(owner, makeGraph) {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
    try {
        Construct();
    } catch (...) {
        ReleaseCapture();
        throw;
    }
}

TDXShowCaptureAudio::~TDXShowCaptureAudio() {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
    ReleaseCapture();
}

void TDXShowCaptureAudio::Construct() {
    FDevices = std::make_unique<TDXShowCaptureDevices>();
    FDevices->SetVideoDevices(false);
    const HRESULT hr = CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER,
                                        IID_ICaptureGraphBuilder2, CaptureGraphBuilder.put_void());
    if (FAILED(hr) || !CaptureGraphBuilder)
        RaiseError(FAILED(hr) ? hr : E_POINTER, u"Could not obtain the ICaptureGraphBuilder");
    const HRESULT bound = CaptureGraphBuilder->SetFiltergraph(GraphBuilder.get());
    if (FAILED(bound)) ReportError(bound, u"Could not set Filtergraph");
}

void TDXShowCaptureAudio::ReleaseCapture() noexcept {
    FDevices.reset();
    ReleaseGraph(); // runs our ClearGraph while we are still ourselves
    CaptureGraphBuilder = nullptr;
    FileWriterFilter = nullptr;
    FileName.clear();
}

void TDXShowCaptureAudio::SetLoop(bool) {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
}

void TDXShowCaptureAudio::AddAudioRenderer() {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
}

void TDXShowCaptureAudio::ApplyDisplay(QWidget*) {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
}

void TDXShowCaptureAudio::HandleEvent(LONG eventCode, LONG_PTR param1, LONG_PTR param2) {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
    // An event the stream queued just before a pause still ends the paused recording.
    const bool recording = IsRecording();
    HRESULT stopped = S_OK;
    bool stoppedHere = false;
    switch (eventCode) {
    case EC_DEVICE_LOST:
        SourceFilter = nullptr;
        if (FDevices) FDevices->Refresh();
        break;
    case EC_COMPLETE:
        // Stopped and finished, but not moved back to the start: re-cueing a stopped graph
        // pauses it again, and the file writer would reopen, and so empty, the finished file.
        stopped = Stop();
        stoppedHere = true;
        DoFinished();
        break;
    default:
        TDXShow::HandleEvent(eventCode, param1, param2);
        break;
    }
    const bool endsRecording =
        eventCode == EC_COMPLETE || eventCode == EC_ERRORABORT || eventCode == EC_DEVICE_LOST;
    if (!recording || !endsRecording) return;
    // The stream is over: stopping writes the header and closes the file. A graph whose Stop
    // failed is stopped all the same (only the remembered state says running), so a second
    // Stop would succeed and hide that the file could not be completed.
    if (!stoppedHere && IsRecording()) stopped = Stop();
    if (OnRecordingStopped) OnRecordingStopped(this, eventCode, param1, stopped);
}

HRESULT TDXShowCaptureAudio::Open(const WideString& key, bool clearFirst) {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
    if (clearFirst) {
        ClearGraph();
        DiscardStaleEvents();
    }
    AddAudioRenderer();

    if (!FDevices->Listed()) FDevices->Refresh();
    TDXShowCaptureDevice* device = nullptr;
    if (key.empty()) {
        if (FDevices->Count() > 0) device = &FDevices->Items(0);
    } else {
        device = FDevices->FindDevice(key);
    }
    if (!device) return S_OK;

    HRESULT hr = device->Moniker ? device->Moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter,
                                                                 SourceFilter.put_void())
                                 : E_POINTER;
    if (FAILED(hr)) ReportError(hr, u"TDXShowCapture->BindToObject");
    (void)GraphBuilder->AddFilter(SourceFilter.get(), device->DeviceName.c_str());
    FSourceName = device->DeviceName;

    IBaseFilter* sink = nullptr;
    if (!FileName.empty()) {
        DestFilter = MakeDestFilter();
        ComPtr<IFileSinkFilter2> fileSink;
        hr = CoCreateInstance(CLSID_FileWriter, nullptr, CLSCTX_INPROC, IID_IFileSinkFilter2,
                              fileSink.put_void());
        if (FAILED(hr) || !fileSink)
            RaiseError(FAILED(hr) ? hr : E_POINTER, u"Could not create FileWriter");
        hr = fileSink.As(FileWriterFilter);
        if (FAILED(hr)) RaiseError(hr, u"Could not get IBaseFilter from FileSink");
        hr = GraphBuilder->AddFilter(DestFilter.get(), DestName(FileFormat).c_str());
        if (FAILED(hr)) RaiseError(hr, u"Could not insert " + DestName(FileFormat, true));
        hr = GraphBuilder->AddFilter(FileWriterFilter.get(), u"File Writer");
        if (FAILED(hr)) RaiseError(hr, u"Could not insert File Writer");
        (void)fileSink->SetMode(AM_FILE_OVERWRITE);
        hr = fileSink->SetFileName(FileName.c_str(), nullptr);
        if (FAILED(hr)) RaiseError(hr, u"Could not set output file name");
        sink = DestFilter.get();
    }

    hr = CaptureGraphBuilder->RenderStream(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Audio,
                                           SourceFilter.get(), nullptr, sink);
    if (FAILED(hr)) ReportError(hr, u"Could not render capture pin.");
    // A recording graph whose writer stays unconnected would run without writing a byte.
    hr = ConnectFilters(GraphBuilder.get(), DestFilter.get(), FileWriterFilter.get());
    if (sink && FAILED(hr))
        ReportError(hr, u"Could not connect " + DestName(FileFormat, true) + u" to File Writer");
    // Figures are a bonus: a filter without them records all the same.
    if (SourceFilter && FAILED(SourceFilter.As(FLevelMeter))) FLevelMeter = nullptr;
    if (DestFilter && FAILED(DestFilter.As(FRecordingProgress))) FRecordingProgress = nullptr;
    return S_OK;
}

ComPtr<IBaseFilter> TDXShowCaptureAudio::MakeDestFilter() {
    HRESULT hr = S_OK;
    ComPtr<IBaseFilter> filter;
    switch (FileFormat) {
    case TRecordingFileFormat::Wav:
        filter = static_cast<IBaseFilter*>(new THMWavDestFilter("", nullptr, IID_IBaseFilter));
        break;
    case TRecordingFileFormat::Flac:
        filter = static_cast<IBaseFilter*>(new THMFlacDestFilter("", nullptr, hr));
        break;
    case TRecordingFileFormat::Opus:
        filter = static_cast<IBaseFilter*>(new THMOpusDestFilter("", nullptr, hr));
        break;
    }
    if (FAILED(hr)) RaiseError(hr, u"Could not create the destination filter");
    return filter;
}

void TDXShowCaptureAudio::DiscardStaleEvents() {
    if (!MediaEvent) return;
    LONG code = 0;
    LONG_PTR param1 = 0, param2 = 0;
    while (SUCCEEDED(MediaEvent->GetEvent(&code, &param1, &param2, 0))) {
        if (code == EC_DEVICE_LOST && FDevices) FDevices->Refresh();
        (void)MediaEvent->FreeEventParams(code, param1, param2);
    }
}

void TDXShowCaptureAudio::ClearGraph() {
    ASSERT_GUI_THREAD("TDXShowCaptureAudio");
    FLevelMeter = nullptr;
    FRecordingProgress = nullptr;
    FSourceName.clear();
    SourceFilter = nullptr;
    DestFilter = nullptr;
    TDXShow::ClearGraph();
}
