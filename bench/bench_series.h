// Samples of one measured quantity (ms) and their order statistics, shared by the benchmarks.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace benchstats {

struct Series
{
    std::vector<double> v;
    // The sample at quantile q (0..1) of the sorted samples, the nearest rank; 0 when empty.
    double Quantile(double q) const
    {
        if (v.empty()) return 0;
        std::vector<double> s = v;
        std::sort(s.begin(), s.end());
        const size_t i = std::min(s.size() - 1, static_cast<size_t>(q * static_cast<double>(s.size() - 1) + 0.5));
        return s[i];
    }
    double Max() const { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }
};

}  // namespace benchstats
