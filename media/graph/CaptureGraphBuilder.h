#pragma once
// The capture graph builder (CLSID_CaptureGraphBuilder2): finds a source's pin of a category
// and media type and connects it, through an optional intermediate filter, to a sink's free
// input pin in the graph it was given. Without a sink the graph renders the pin, which
// answers VFW_E_CANNOT_RENDER when no filter in the graph can take it.
// Thread contract: the graph's controlling thread.
#include "framework/TBCUnknown.h"
#include "framework/interfaces/Strmif.h"
#include "runtime/ComPtr.h"

class CaptureGraphBuilder final : public TBCUnknown, public ICaptureGraphBuilder2 {
public:
    explicit CaptureGraphBuilder(IUnknown* outer);

    static HRESULT Create(IUnknown* outer, REFIID iid, void** object);

    TBC_DECLARE_DELEGATING_UNKNOWN

    HRESULT InnerQueryInterface(REFIID iid, void** object) override;

    HRESULT SetFiltergraph(IGraphBuilder* graph) override;
    HRESULT GetFiltergraph(IGraphBuilder** graph) override;
    HRESULT SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux,
                              IFileSinkFilter** sink) override;
    HRESULT FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid,
                          void** object) override;
    HRESULT RenderStream(const GUID* category, const GUID* type, IUnknown* source,
                         IBaseFilter* compressor, IBaseFilter* renderer) override;
    HRESULT ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter,
                          REFERENCE_TIME* start, REFERENCE_TIME* stop, WORD startCookie,
                          WORD stopCookie) override;
    HRESULT AllocCapFile(LPCOLESTR file, DWORDLONG size) override;
    HRESULT CopyCaptureFile(LPOLESTR oldFile, LPOLESTR newFile, int allowEscAbort,
                            IAMCopyCaptureFileProgress* callback) override;
    HRESULT FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category,
                    const GUID* type, BOOL unconnected, int index, IPin** pin) override;

private:
    bool PinMatches(IPin* pin, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                    BOOL unconnected);

    ComPtr<IGraphBuilder> graph_;
};
