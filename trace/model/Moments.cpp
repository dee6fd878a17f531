#include "trace/model/Moments.h"

#include <cmath>

#include "trace/model/Extremes.h"

Moments MomentsOf(const float* s, std::int64_t n) {
    Moments m;
    ExtremesInOrder(s, s, n, m.max, m.min);
    double sum = 0;
    for (std::int64_t i = 0; i < n; ++i) {
        const float x = s[i];
        if (std::isnan(x)) {
            ++m.nan;
        } else if (std::isinf(x)) {
            ++(x > 0 ? m.posInf : m.negInf);
        } else {
            sum += x;
            ++m.count;
        }
    }
    if (m.count == 0) return m;
    m.mean = sum / static_cast<double>(m.count);
    for (std::int64_t i = 0; i < n; ++i)
        if (std::isfinite(s[i])) {
            const double d = static_cast<double>(s[i]) - m.mean;
            m.m2 += d * d;
        }
    return m;
}

void Combine(Moments& run, const Moments& later) {
    if (later.max > run.max) run.max = later.max;
    if (later.min < run.min) run.min = later.min;
    run.nan += later.nan;
    run.posInf += later.posInf;
    run.negInf += later.negInf;
    if (later.count == 0) return;
    if (run.count == 0) {
        run.count = later.count;
        run.mean = later.mean;
        run.m2 = later.m2;
        return;
    }
    const double a = static_cast<double>(run.count), b = static_cast<double>(later.count);
    const double n = a + b, delta = later.mean - run.mean;
    run.mean += delta * (b / n);
    run.m2 += later.m2 + delta * delta * (a * b / n);
    run.count += later.count;
}
