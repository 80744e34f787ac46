#include <algorithm>
#include <cstdio>

#include "bench/bench.h"

Spread spread_of(std::vector<double> samples)
{
    if (samples.empty()) return {0.0, 0.0, 0.0};
    std::sort(samples.begin(), samples.end());
    const size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2.0;
    return {median, samples.front(), samples.back()};
}

Spread spread_ms(const std::vector<double>& seconds)
{
    const Spread s = spread_of(seconds);
    return {s.median * 1e3, s.min * 1e3, s.max * 1e3};
}

void print_spread(const char* what, const Spread& ms)
{
    std::printf("  %-34s %8.3f ms (min %.3f, max %.3f)\n", what, ms.median, ms.min, ms.max);
}
