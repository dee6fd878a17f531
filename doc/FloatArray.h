#pragma once
// An owned float array that knows its length. Allocation reports failure by being empty
// instead of throwing, so the document can show its own message and carry on.

#include <cstddef>
#include <cstdlib>
#include <memory>

class CFloatArray {
public:
    CFloatArray() = default;

    // Empty on failure. zeroed: every entry 0.0f (fresh pages come zeroed at no extra cost).
    static CFloatArray Allocate(std::size_t count, bool zeroed) {
        CFloatArray a;
        if (count == 0) return a;
        void* p = zeroed ? std::calloc(count, sizeof(float)) : std::malloc(count * sizeof(float));
        if (p == nullptr || count > SIZE_MAX / sizeof(float)) {
            std::free(p);
            return a;
        }
        a.m_p.reset(static_cast<float*>(p));
        a.m_n = count;
        return a;
    }

    float* get() { return m_p.get(); }
    const float* get() const { return m_p.get(); }
    float& operator[](std::size_t i) { return m_p[i]; }
    const float& operator[](std::size_t i) const { return m_p[i]; }
    explicit operator bool() const { return m_p != nullptr; }
    std::size_t size() const { return m_n; }
    void reset() {
        m_p.reset();
        m_n = 0;
    }

private:
    struct FreeDeleter {
        void operator()(float* p) const { std::free(p); }
    };
    std::unique_ptr<float[], FreeDeleter> m_p;
    std::size_t m_n = 0;
};
