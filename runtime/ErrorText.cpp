#include "runtime/ErrorText.h"

#include <algorithm>
#include <cstring>

namespace {
struct ErrorText {
    HRESULT code;
    const char* text;
};

// Our own short sentences; the user sees them in error messages of the recorder.
constexpr ErrorText kTexts[] = {
    {S_OK, "The operation completed successfully."},
    {S_FALSE, "The operation completed with nothing to do."},
    {E_NOTIMPL, "The operation is not implemented."},
    {E_NOINTERFACE, "The object does not support the requested interface."},
    {E_POINTER, "A required pointer was missing."},
    {E_ABORT, "The operation was aborted."},
    {E_FAIL, "The operation failed."},
    {E_UNEXPECTED, "An unexpected error occurred."},
    {E_ACCESSDENIED, "Access is denied."},
    {E_HANDLE, "The handle is not valid."},
    {E_OUTOFMEMORY, "There is not enough memory to complete the operation."},
    {E_INVALIDARG, "An argument is not valid."},
    {CLASS_E_NOAGGREGATION, "The class does not support aggregation."},
    {CLASS_E_CLASSNOTAVAILABLE, "The class is not available."},
    {REGDB_E_CLASSNOTREG, "The class is not registered."},
    {REGDB_E_READREGDB, "The registry could not be read."},
    {SELFREG_E_CLASS, "The class could not be registered."},
    {CO_E_NOTINITIALIZED, "The object model has not been initialised on this thread."},
    {CO_E_DLLNOTFOUND, "The module that serves the class could not be loaded."},
    {CO_E_ERRORINDLL, "The module that serves the class has no class objects."},
    {STG_E_INVALIDFUNCTION, "The stream does not support this function."},
    {STG_E_SEEKERROR, "The position in the stream could not be set."},
    {STG_E_WRITEFAULT, "The stream could not be written."},
    {STG_E_MEDIUMFULL, "There is not enough space on the disk."},
    // Codes made from system errors.
    {HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), "The path was not found."},
    {HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES), "Too many files are open."},
    {HRESULT_FROM_WIN32(ERROR_GEN_FAILURE), "A device attached to the system is not working."},
    {HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION), "The file is being used by another process."},
    {HRESULT_FROM_WIN32(ERROR_FILE_EXISTS), "The file exists."},
    {HRESULT_FROM_WIN32(ERROR_INVALID_NAME), "The file or folder name cannot be used."},
    {HRESULT_FROM_WIN32(ERROR_DISK_FULL), "There is not enough space on the disk."},
    {HRESULT_FROM_WIN32(ERROR_BUSY), "The resource is in use."},
    {HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE), "The file name is too long."},
    // Both a file system's limit and the 4 GiB a WAV file can hold.
    {HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE),
     "The file has reached the largest size it can have."},
    {HRESULT_FROM_WIN32(ERROR_DIRECTORY), "The name is a folder, not a file."},
    {HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED), "The device is not connected."},
    {HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME),
     "The name is a symbolic link, which is not followed."},
    // Media codes.
    {VFW_S_NO_MORE_ITEMS, "There are no more items."},
    {VFW_S_DUPLICATE_NAME, "The filter was added under a modified name."},
    {VFW_S_STATE_INTERMEDIATE, "The state transition has not completed yet."},
    {VFW_S_PARTIAL_RENDER, "Some of the streams could not be rendered."},
    {VFW_S_AUDIO_NOT_RENDERED, "The audio stream could not be rendered."},
    {VFW_S_CANT_CUE, "The filter is active but cannot deliver data."},
    {VFW_E_INVALIDMEDIATYPE, "The media type is not valid."},
    {VFW_E_INVALIDSUBTYPE, "The media subtype is not valid."},
    {VFW_E_NEED_OWNER, "The object can only be created as an aggregated object."},
    {VFW_E_ENUM_OUT_OF_SYNC, "The enumerator has become out of date."},
    {VFW_E_ALREADY_CONNECTED, "A pin is already connected."},
    {VFW_E_FILTER_ACTIVE, "The filter is active."},
    {VFW_E_NO_TYPES, "A pin offers no media types."},
    {VFW_E_NO_ACCEPTABLE_TYPES, "The pins have no media type in common."},
    {VFW_E_INVALID_DIRECTION, "Two pins of the same direction cannot be connected."},
    {VFW_E_NOT_CONNECTED, "The pin is not connected."},
    {VFW_E_NO_ALLOCATOR, "No sample buffer allocator is available."},
    {VFW_E_RUNTIME_ERROR, "A run-time error occurred while streaming."},
    {VFW_E_BUFFER_NOTSET, "No buffer space has been set."},
    {VFW_E_BUFFER_OVERFLOW, "The buffer is not large enough."},
    {VFW_E_BADALIGN, "The buffer alignment is not valid."},
    {VFW_E_ALREADY_COMMITTED, "The allocator cannot be changed while it is committed."},
    {VFW_E_BUFFERS_OUTSTANDING, "Buffers of the allocator are still in use."},
    {VFW_E_NOT_COMMITTED, "The allocator is not committed."},
    {VFW_E_SIZENOTSET, "The buffer sizes of the allocator have not been set."},
    {VFW_E_NO_CLOCK, "No reference clock has been set."},
    {VFW_E_NO_SINK, "No quality sink has been set."},
    {VFW_E_NO_INTERFACE, "A required interface has not been implemented."},
    {VFW_E_NOT_FOUND, "The object or name was not found."},
    {VFW_E_CANNOT_CONNECT, "No combination of filters could connect the pins."},
    {VFW_E_CANNOT_RENDER, "No combination of filters could render the stream."},
    {VFW_E_CHANGING_FORMAT, "The format could not be changed."},
    {VFW_E_STATE_CHANGED, "The state changed while the operation was in progress."},
    {VFW_E_NOT_STOPPED, "The operation needs the filter to be stopped."},
    {VFW_E_NOT_PAUSED, "The operation needs the filter to be paused."},
    {VFW_E_NOT_RUNNING, "The operation needs the filter to be running."},
    {VFW_E_WRONG_STATE, "The operation is not possible in the current state."},
    {VFW_E_START_TIME_AFTER_END, "The start time is after the end time."},
    {VFW_E_INVALID_RECT, "The rectangle is not valid."},
    {VFW_E_TYPE_NOT_ACCEPTED, "The pin does not accept this media type."},
    {VFW_E_SAMPLE_REJECTED, "The sample was rejected."},
    {VFW_E_SAMPLE_REJECTED_EOS, "The sample arrived after the end of the stream."},
    {VFW_E_DUPLICATE_NAME, "A filter with this name is already in the graph."},
    {VFW_E_TIMEOUT, "The operation timed out."},
    {VFW_E_INVALID_FILE_FORMAT, "The file format is not valid."},
    {VFW_E_ENUM_OUT_OF_RANGE, "The list has already been exhausted."},
    {VFW_E_CIRCULAR_GRAPH, "The filter graph would contain a loop."},
    {VFW_E_UNKNOWN_FILE_TYPE, "The type of the file is not known."},
    {VFW_E_CANNOT_LOAD_SOURCE_FILTER, "The source filter for this file could not be loaded."},
    {VFW_E_SAMPLE_TIME_NOT_SET, "The sample has no time stamps."},
    {VFW_E_MEDIA_TIME_NOT_SET, "The sample has no media times."},
    {VFW_E_NO_TIME_FORMAT_SET, "No time format has been set."},
    {VFW_E_NO_AUDIO_HARDWARE, "No audio device is available."},
    {VFW_E_NOT_IN_GRAPH, "The filter is not in a filter graph."},
    {VFW_E_NO_TIME_FORMAT, "The object does not support this time format."},
    {VFW_E_READ_ONLY, "The object is read-only."},
    {VFW_E_NO_CAPTURE_HARDWARE, "No capture device is available."},
};
} // namespace

DWORD AMGetErrorTextA(HRESULT code, char* buffer, DWORD maxLength) {
    if (!buffer || maxLength == 0) return 0;
    for (const ErrorText& entry : kTexts) {
        if (entry.code != code) continue;
        const std::size_t length = std::min<std::size_t>(std::strlen(entry.text), maxLength - 1);
        std::memcpy(buffer, entry.text, length);
        buffer[length] = '\0';
        return DWORD(length);
    }
    return 0;
}
