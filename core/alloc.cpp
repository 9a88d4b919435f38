// The allocation function every record, list and buffer of the back end comes
// from, and the one bounded copy into the records' text fields.
#include "myutil.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

void* myutil_malloc(size_t size)
{
    // calloc(0) may return null; a zero-size request is not an exhaustion.
    void* block = std::calloc(size == 0 ? 1 : size, 1);
    if (block == nullptr) {
        std::printf("Memory Allocation Error - Try To Alloc %zu Bytes\n", size);
        std::fflush(stdout);
        std::exit(99);
    }
    return block;
}

size_t myutil_copy_text(char* dst, size_t size, const char* src)
{
    if (src == nullptr)
        src = "";
    size_t len = std::strlen(src);
    if (size == 0)
        return len;
    size_t n = len < size - 1 ? len : size - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    return len;
}
