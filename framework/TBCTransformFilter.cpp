#include "framework/TBCTransformFilter.h"

#include "framework/EAssertionFailure.h"
#include "framework/TBCTransformInputPin.h"
#include "framework/TBCTransformOutputPin.h"

#include <new>

TBCTransformFilter::TBCTransformFilter(std::string objectName, IUnknown* controller,
                                       REFCLSID classId)
    : TBCBaseFilter(std::move(objectName), controller, new TBCCritSec, classId),
      FilterLock(Lock.get()) {}

TBCTransformFilter::~TBCTransformFilter() {
    InputPin.reset();
    OutputPin.reset();
}

HRESULT TBCTransformFilter::Stop() {
    TBCAutoLock filterLock(*FilterLock);
    if (State == State_Stopped) return S_OK;
    BC_CHECK(!InputPin || OutputPin, "BaseClass", 7448);
    if (!InputPin || !InputPin->HasPeer() || !OutputPin->HasPeer()) {
        State = State_Stopped;
        EndOfStreamSent = false;
        return S_OK;
    }
    BC_CHECK(InputPin != nullptr, "BaseClass", 7456);
    BC_CHECK(OutputPin != nullptr, "BaseClass", 7457);
    // Decommitting the input allocator first releases a Receive waiting for a buffer, so
    // that the streaming lock can be had.
    (void)InputPin->Deactivate();
    TBCAutoLock streamLock(StreamLock);
    (void)OutputPin->Deactivate();
    const HRESULT hr = EndStreaming();
    if (SUCCEEDED(hr)) {
        State = State_Stopped;
        EndOfStreamSent = false;
    }
    return hr;
}

HRESULT TBCTransformFilter::Pause() {
    TBCAutoLock filterLock(*FilterLock);
    HRESULT hr = S_OK;
    if (State == State_Paused) {
        // nothing to do
    } else if (!InputPin || !InputPin->HasPeer()) {
        if (OutputPin && !EndOfStreamSent) {
            (void)OutputPin->ForwardEndOfStream();
            EndOfStreamSent = true;
        }
        State = State_Paused;
    } else if (!OutputPin || !OutputPin->HasPeer()) {
        State = State_Paused;
    } else {
        if (State == State_Stopped) {
            TBCAutoLock streamLock(StreamLock);
            hr = BeginStreaming();
        }
        if (SUCCEEDED(hr)) hr = TBCBaseFilter::Pause();
    }
    SampleDropped = false;
    QualityEventSent = false;
    return hr;
}

HRESULT TBCTransformFilter::FindPin(LPCWSTR id, IPin** pin) {
    if (!pin) return E_POINTER;
    *pin = nullptr;
    if (!id) return E_POINTER;
    TBCAutoLock lock(*FilterLock);
    const WideString wanted(id);
    TBCBasePin* found = nullptr;
    if (wanted == u"In")
        found = PinAt(0);
    else if (wanted == u"Out")
        found = PinAt(1);
    else
        return VFW_E_NOT_FOUND;
    if (!found) return E_OUTOFMEMORY;
    return ComPtr<IPin>(static_cast<IPin*>(found)).CopyTo(pin);
}

int TBCTransformFilter::PinCount() {
    return 2;
}

TBCBasePin* TBCTransformFilter::PinAt(int index) {
    if (!InputPin) {
        HRESULT hr = S_OK;
        InputPin.reset(new (std::nothrow)
                           TBCTransformInputPin("Transform input pin", this, hr, u"XForm In"));
        BC_CHECK(SUCCEEDED(hr), "BaseClass", 7199);
        if (!InputPin) return nullptr;
        OutputPin.reset(new (std::nothrow)
                            TBCTransformOutputPin("Transform output pin", this, hr, u"XForm Out"));
        BC_CHECK(SUCCEEDED(hr), "BaseClass", 7211);
        if (!OutputPin) InputPin.reset();
    }
    switch (index) {
    case 0:
        return InputPin.get();
    case 1:
        return OutputPin.get();
    default:
        return nullptr;
    }
}

HRESULT TBCTransformFilter::TransformSample(IMediaSample*, IMediaSample*) {
    return E_UNEXPECTED;
}

HRESULT TBCTransformFilter::BeginStreaming() {
    return S_OK;
}

HRESULT TBCTransformFilter::EndStreaming() {
    return S_OK;
}

HRESULT TBCTransformFilter::AdjustQuality(const Quality&) {
    return S_FALSE;
}

HRESULT TBCTransformFilter::AdoptPinType(PIN_DIRECTION, const AM_MEDIA_TYPE&) {
    return S_OK;
}

HRESULT TBCTransformFilter::VerifyPinPeer(PIN_DIRECTION, IPin*) {
    return S_OK;
}

HRESULT TBCTransformFilter::ReleasePinPeer(PIN_DIRECTION) {
    return S_OK;
}

HRESULT TBCTransformFilter::FinishPinConnection(PIN_DIRECTION, IPin*) {
    return S_OK;
}

HRESULT TBCTransformFilter::ProcessSample(IMediaSample* sample) {
    const AM_SAMPLE2_PROPERTIES& props = InputPin->CurrentSampleProperties();
    if (props.dwStreamId != AM_STREAM_MEDIA) return OutputPin->PeerMemInputPin->Receive(sample);
    BC_CHECK(OutputPin != nullptr, "BaseClass", 7372);

    ComPtr<IMediaSample> out;
    RETURN_IF_FAILED(PrepareOutputSample(sample, out));
    HRESULT hr = TransformSample(sample, out.get());
    if (FAILED(hr)) return hr;
    if (hr == S_OK) {
        hr = OutputPin->PeerMemInputPin->Receive(out.get());
        SampleDropped = false;
        return hr;
    }
    if (hr == S_FALSE) {
        out = nullptr;
        SampleDropped = true;
        if (!QualityEventSent) {
            (void)SendEvent(EC_QUALITY_CHANGE, 0, 0);
            QualityEventSent = true;
        }
        return S_OK;
    }
    return hr;
}

HRESULT TBCTransformFilter::PrepareOutputSample(IMediaSample* sample,
                                                ComPtr<IMediaSample>& outSample) {
    outSample = nullptr;
    const AM_SAMPLE2_PROPERTIES& props = InputPin->CurrentSampleProperties();
    DWORD flags = SampleDropped ? AM_GBF_PREVFRAMESKIPPED : 0;
    if (!(props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT)) flags |= AM_GBF_NOTASYNCPOINT;
    BC_CHECK(OutputPin->Allocator != nullptr, "BaseClass", 7253);

    REFERENCE_TIME start = props.tStart;
    REFERENCE_TIME stop = props.tStop;
    RETURN_IF_FAILED(OutputPin->Allocator->GetBuffer(
        outSample.put(), (props.dwSampleFlags & AM_SAMPLE_TIMEVALID) ? &start : nullptr,
        (props.dwSampleFlags & AM_SAMPLE_STOPVALID) ? &stop : nullptr, flags));
    BC_CHECK(outSample != nullptr, "BaseClass", 7258);

    ComPtr<IMediaSample2> out2;
    if (SUCCEEDED(outSample.As(out2))) {
        // The first 16 bytes: cbData, dwTypeSpecificFlags, dwSampleFlags, lActual; the first 32
        // add tStart and tStop.
        AM_SAMPLE2_PROPERTIES outProps{};
        BC_CHECK(SUCCEEDED(out2->GetProperties(16, reinterpret_cast<BYTE*>(&outProps))),
                 "BaseClass", 7262);
        outProps.dwTypeSpecificFlags = props.dwTypeSpecificFlags;
        outProps.dwSampleFlags = (outProps.dwSampleFlags & AM_SAMPLE_TYPECHANGED) |
                                 (props.dwSampleFlags & ~AM_SAMPLE_TYPECHANGED);
        outProps.tStart = props.tStart;
        outProps.tStop = props.tStop;
        outProps.cbData = 32;
        (void)out2->SetProperties(32, reinterpret_cast<const BYTE*>(&outProps));
        if (props.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) SampleDropped = false;
    } else {
        if (props.dwSampleFlags & AM_SAMPLE_TIMEVALID) (void)outSample->SetTime(&start, &stop);
        if (props.dwSampleFlags & AM_SAMPLE_SPLICEPOINT) (void)outSample->SetSyncPoint(TRUE);
        if (props.dwSampleFlags & AM_SAMPLE_DATADISCONTINUITY) {
            (void)outSample->SetDiscontinuity(TRUE);
            SampleDropped = false;
        }
        LONGLONG mediaStart = 0;
        LONGLONG mediaEnd = 0;
        if (sample->GetMediaTime(&mediaStart, &mediaEnd) == S_OK)
            (void)outSample->SetMediaTime(&mediaStart, &mediaEnd);
    }
    return S_OK;
}

HRESULT TBCTransformFilter::InputEndOfStream() {
    return OutputPin ? OutputPin->ForwardEndOfStream() : S_OK;
}

HRESULT TBCTransformFilter::InputBeginFlush() {
    return OutputPin ? OutputPin->ForwardBeginFlush() : S_OK;
}

HRESULT TBCTransformFilter::InputEndFlush() {
    BC_CHECK(OutputPin != nullptr, "BaseClass", 7143);
    return OutputPin->ForwardEndFlush();
}

HRESULT TBCTransformFilter::InputNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop,
                                            double rate) {
    return OutputPin ? OutputPin->ForwardNewSegment(start, stop, rate) : S_OK;
}
