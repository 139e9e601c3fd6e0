#include "framework/FrameworkUtil.h"

#include "framework/EAssertionFailure.h"
#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"
#include "runtime/ComPtr.h"
#include "runtime/ErrorText.h"
#include "runtime/TaskMemory.h"

#include <cstring>
#include <new>

HRESULT WideStringToTaskMem(const WideString& text, LPWSTR* buffer) {
    if (!buffer) return E_POINTER;
    const std::size_t bytes = (text.size() + 1) * sizeof(WCHAR);
    *buffer = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (!*buffer) return E_OUTOFMEMORY;
    std::memcpy(*buffer, text.c_str(), bytes);
    return S_OK;
}

HRESULT CreateSeekingPassThru(IUnknown* outer, bool isRenderer, IPin* pin, IUnknown** passThru) {
    if (!passThru) return E_POINTER;
    *passThru = nullptr;
    ComPtr<IUnknown> object;
    RETURN_IF_FAILED(CoCreateInstance(CLSID_SeekingPassThru, outer, CLSCTX_INPROC_SERVER,
                                      IID_IUnknown, object.put_void()));
    ComPtr<ISeekingPassThru> init;
    RETURN_IF_FAILED(object.As(init));
    RETURN_IF_FAILED(init->Init(isRenderer ? BOOL(-1) : FALSE, pin));
    *passThru = object.detach();
    return S_OK;
}

DWORD TextToFourCC(const std::string& text) {
    BC_CHECK(text.size() >= 4, "DSUtil", 1337);
    return DWORD(BYTE(text[0])) | DWORD(BYTE(text[1])) << 8 | DWORD(BYTE(text[2])) << 16 |
           DWORD(BYTE(text[3])) << 24;
}

std::string MediaErrorText(HRESULT code) {
    char buffer[256] = {}; // empty text when the platform has none for the code
    (void)AMGetErrorTextA(code, buffer, 255);
    return std::string(buffer);
}

HRESULT HResultFromCurrentException() noexcept {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const EAssertionFailure&) {
        return E_UNEXPECTED;
    } catch (const Exception&) {
        return E_FAIL;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
