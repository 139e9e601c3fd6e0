#include "runtime/HResult.h"

#include <cerrno>

HRESULT HResultFromErrno(int error) {
    // Win32 error numbers of the same meaning, so the error text names the cause.
    switch (error) {
    case 0:
        return E_FAIL; // a failure without a cause is still a failure
    case ENOENT:
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM:
    case EROFS:
        return E_ACCESSDENIED;
    case ENOMEM:
        return E_OUTOFMEMORY;
    case EINVAL:
        return E_INVALIDARG;
    case EBADF:
        return E_HANDLE;
    case EMFILE:
    case ENFILE:
        return HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES);
    case ENOSPC:
    case EDQUOT:
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case EFBIG:
        return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    case EISDIR:
        return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
    case ENOTDIR:
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EEXIST:
        return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
    case ELOOP:
        return HRESULT_FROM_WIN32(ERROR_CANT_RESOLVE_FILENAME);
    case ENAMETOOLONG:
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    case EBUSY:
        return HRESULT_FROM_WIN32(ERROR_BUSY);
    case ENODEV:
    case ENXIO:
        return HRESULT_FROM_WIN32(ERROR_DEVICE_NOT_CONNECTED);
    case EIO:
    default:
        return HRESULT_FROM_WIN32(ERROR_GEN_FAILURE);
    }
}
