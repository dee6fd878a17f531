#include "trace/model/FloatArray.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace {

// From here on, arrays are mapped from the kernel with all their pages faulted in by one
// call: on these machines a page fault per 4 KiB costs more than filling the page.
constexpr std::size_t kMapThreshold = std::size_t{1} << 20;

}  // namespace

void FloatArrayRelease::operator()(float* p) const {
    if (mappedBytes > 0)
        munmap(p, mappedBytes);
    else
        std::free(p);
}

CFloatArray CFloatArray::Allocate(std::size_t count, bool zeroed, bool prefault) {
    CFloatArray a;
    if (count == 0 || count > SIZE_MAX / sizeof(float)) return a;
    const std::size_t bytes = count * sizeof(float);
    FloatArrayRelease release;
    void* p;
    if (bytes >= kMapThreshold) {
        // Mapped pages come zeroed.
        p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | (prefault ? MAP_POPULATE : 0), -1, 0);
        if (p == MAP_FAILED) return a;
        release.mappedBytes = bytes;
    } else {
        p = zeroed ? std::calloc(count, sizeof(float)) : std::malloc(bytes);
        if (p == nullptr) return a;
    }
    a.m_p = std::unique_ptr<float[], FloatArrayRelease>(static_cast<float*>(p), release);
    a.m_n = count;
    return a;
}
