#pragma once
// An owned float array that knows its length. Allocation reports failure by being empty
// instead of throwing, so the document can show its own message and carry on.

#include <cstddef>
#include <memory>

// Frees a CFloatArray's storage the way it was had.
struct FloatArrayRelease {
    std::size_t mappedBytes = 0;  // 0: from malloc
    void operator()(float* p) const;
};

class CFloatArray {
public:
    CFloatArray() = default;

    // Empty on failure. zeroed: every entry 0.0f.
    // prefault: a large array's pages all faulted in at once (the cheapest way to have them
    // all); else each when first written, by whichever thread writes it.
    static CFloatArray Allocate(std::size_t count, bool zeroed, bool prefault = true);

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
    std::unique_ptr<float[], FloatArrayRelease> m_p;
    std::size_t m_n = 0;
};
