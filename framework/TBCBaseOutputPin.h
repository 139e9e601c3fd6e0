#pragma once
// The output pin: connects to a downstream input pin that offers IMemInputPin, negotiates the
// sample allocator at the end of every connection, commits and decommits it as the filter
// starts and stops, and is the one road by which samples and stream control leave a filter.
// Thread contract: connection steps run under the pin's Lock (taken by Connect/Disconnect);
// Activate/Deactivate under the filter's lock; ObtainBuffer and DeliverSample on the
// streaming thread; the Forward operations under the lock their caller names.
#include "framework/TBCBasePin.h"

class TBCBaseOutputPin : public TBCBasePin {
public:
    TBCBaseOutputPin(std::string objectName, TBCBaseFilter* filter, TBCCritSec* lock, HRESULT& hr,
                     WideString pinName);

    // Stream control never arrives at an output pin: E_UNEXPECTED.
    HRESULT EndOfStream() override;
    HRESULT BeginFlush() override;
    HRESULT EndFlush() override;

    HRESULT Activate() override;
    HRESULT Deactivate() override;
    HRESULT VerifyPeer(IPin* pin) override;
    HRESULT ReleasePeer() override;
    HRESULT FinishConnection(IPin* receivePin) override;

    // Allocator negotiation: the peer's allocator first, then one of the pin's own.
    virtual HRESULT ChooseAllocator(IMemInputPin* peer, ComPtr<IMemAllocator>& allocator);
    // Sets the buffer properties on allocator; nothing here.
    virtual HRESULT ConfigureAllocator(IMemAllocator* allocator, ALLOCATOR_PROPERTIES& request);
    virtual HRESULT ObtainBuffer(IMediaSample** sample, REFERENCE_TIME* startTime,
                                 REFERENCE_TIME* endTime, DWORD flags);
    virtual HRESULT DeliverSample(IMediaSample* sample);
    // The platform memory allocator.
    virtual HRESULT CreateOwnAllocator(ComPtr<IMemAllocator>& allocator);
    virtual HRESULT ForwardEndOfStream();
    virtual HRESULT ForwardBeginFlush();
    virtual HRESULT ForwardEndFlush();
    virtual HRESULT ForwardNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate);

protected:
    ComPtr<IMemAllocator> Allocator;
    ComPtr<IMemInputPin> PeerMemInputPin;
};
