#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// The value below which that share of the values lie (1.0: the largest).
inline double Percentile(std::vector<double> values, double share)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<std::size_t>(share * static_cast<double>(values.size())))];
}

// Prints name_median, name_p99 and name_max, one line each.
inline void PrintSpread(const char *name, const std::vector<double> &values, const char *unit)
{
    std::printf("%s_median = %.3f %s\n%s_p99 = %.3f %s\n%s_max = %.3f %s\n", name, Percentile(values, 0.5), unit, name,
                Percentile(values, 0.99), unit, name, Percentile(values, 1.0), unit);
}
