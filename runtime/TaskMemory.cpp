#include "runtime/TaskMemory.h"

#include <cstdlib>

void* CoTaskMemAlloc(SIZE_T size) {
    return std::malloc(size == 0 ? 1 : size);
}

void* CoTaskMemRealloc(void* block, SIZE_T size) {
    return std::realloc(block, size == 0 ? 1 : size);
}

void CoTaskMemFree(void* block) {
    std::free(block);
}
