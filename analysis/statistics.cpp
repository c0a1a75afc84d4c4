// SPDX-License-Identifier: GPL-3.0-or-later
#include "analysis/statistics.h"

#include <array>
#include <cmath>

#include "files/errors.h"

namespace zarn {

namespace {

// Start values of the running extremes: a series entirely above 1e9 reports
// a minimum of 1e9, one entirely below -1e9 a maximum of -1e9.
constexpr double kExtremeStart = 1000000000.0;

// Histogram classes: k = round(kClassFactor ln n + 1).
constexpr double kClassFactor = 1.43;

void QuickSort(double* x, int lo, int hi) {
    // x is 0-based here; the pivot (lo + hi) div 2 picks the same element as
    // the 1-based form of the algorithm.
    const double pivot = x[(lo + hi) / 2];
    int i = lo;
    int j = hi;
    do {
        while (x[i] < pivot) ++i;
        while (pivot < x[j]) --j;
        if (i <= j) {
            const double t = x[i];
            x[i] = x[j];
            x[j] = t;
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j) QuickSort(x, lo, j);
    if (i < hi) QuickSort(x, i, hi);
}

}  // namespace

// LogTransform: y_i = ln x_i. A zero ends the calculation as the logarithm of
// 0 does (division by zero), a negative value as an invalid operation; the
// test comes first so that no flag is raised on a sound value.
void LogTransform(const double* x, int n, double* y) {
    for (int i = 0; i < n; ++i) {
        if (x[i] == 0.0) throw ZarnError(kDivisionByZeroText);
        if (x[i] < 0.0) throw ZarnError(kInvalidOperationText);
        y[i] = std::log(x[i]);
    }
}

double SampleMaximum(const double* x, int n) {
    double m = -kExtremeStart;
    for (int i = 0; i < n; ++i)
        if (x[i] > m) m = x[i];
    return m;
}

double SampleMinimum(const double* x, int n) {
    double m = kExtremeStart;
    for (int i = 0; i < n; ++i)
        if (x[i] < m) m = x[i];
    return m;
}

// SampleMean: sum in index order, divided by n (0/0 for n = 0 is an invalid operation).
double SampleMean(const double* x, int n) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) sum += x[i];
    return sum / n;
}

// SampleStdDev: sqrt(sum (x_i - m)^2 / (n - 1)), the caller's mean m.
double SampleStdDev(const double* x, int n, double mean) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = x[i] - mean;
        sum += d * d;
    }
    return std::sqrt(sum / (n - 1));
}

// SampleSkewness: n sum (x_i - m)^3 / ((n - 1)(n - 2) s^3), s^3 = exp(3 ln s).
// (n - 1)(n - 2) is an integer product; no small-sample correction beyond it.
double SampleSkewness(const double* x, int n, double mean, double stdDev) {
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        const double d = x[i] - mean;
        sum += d * d * d;
    }
    const int dof = (n - 1) * (n - 2);
    const double s3 = std::exp(3.0 * std::log(stdDev));
    return n * sum / (dof * s3);
}

void DescriptiveStatistics(const double* x, int n, double& minimum, double& maximum,
                           double& mean, double& stdDev, double& skewness) {
    // Each statistic is checked before the next one uses it, so the error
    // names the first fault (n = 0 fails in the mean, n = 1 in the deviation).
    minimum = SampleMinimum(x, n);
    maximum = SampleMaximum(x, n);
    mean = SampleMean(x, n);
    FloatingPointCheck::RaiseIfFaulted();
    stdDev = SampleStdDev(x, n, mean);
    FloatingPointCheck::RaiseIfFaulted();
    skewness = SampleSkewness(x, n, mean, stdDev);
    FloatingPointCheck::RaiseIfFaulted();
}

// BuildHistogram: k classes of width h = (max - min)/(k - 1) centred from the
// minimum to the maximum; a value counts in class i when c_i - h/2 < x <= c_i + h/2.
// Every class is tested for every value.
int BuildHistogram(const double* x, int n, double minimum, double maximum,
                   double* centres, double* frequencies) {
    int k = static_cast<int>(std::lround(kClassFactor * std::log(static_cast<double>(n)) + 1.0));
    if (k == 1) k = 2;
    if (k < 2) k = 2;  // n = 0 never reaches here (the mean fails first)
    if (k > kSampleCapacity) k = kSampleCapacity;
    const double h = (maximum - minimum) / (k - 1);
    for (int i = 0; i < k; ++i) {
        centres[i] = minimum + i * h;
        frequencies[i] = 0.0;
    }
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < k; ++i) {
            if (centres[i] - h / 2 < x[j] && x[j] <= centres[i] + h / 2) frequencies[i] += 1.0;
        }
    }
    for (int i = 0; i < k; ++i) frequencies[i] = frequencies[i] / n;
    return k;
}

// BinomialCoefficient: C(a, k) as a double, multiplying by a/k, (a-1)/(k-1), ...
double BinomialCoefficient(int a, int k) {
    if (k == a || k == 0 || k < 0) return 1.0;
    double result = 1.0;
    while (k > 0) {
        result = result * a / k;
        --a;
        --k;
    }
    return result;
}

// ProbabilityWeightedMoment: b_r = sum_{j=1}^{n-r} C(n - j, r) x_j / (C(n, r + 1)(r + 1))
// for x sorted descending (Landwehr, Matalas and Wallis 1979, unbiased form).
double ProbabilityWeightedMoment(int r, int n, const double* descending) {
    double sum = 0.0;
    for (int j = 1; j <= n - r; ++j) sum += BinomialCoefficient(n - j, r) * descending[j - 1];
    return sum / (BinomialCoefficient(n, r + 1) * (r + 1));
}

LMomentSet LMomentsOfDescending(const double* descending, int n) {
    const double b0 = ProbabilityWeightedMoment(0, n, descending);
    const double b1 = ProbabilityWeightedMoment(1, n, descending);
    const double b2 = ProbabilityWeightedMoment(2, n, descending);
    const double b3 = ProbabilityWeightedMoment(3, n, descending);
    const double l1 = b0;
    const double l2 = 2 * b1 - b0;
    const double l3 = (6 * b2 - 6 * b1) + b0;
    const double l4 = ((20 * b3 - 30 * b2) + 12 * b1) - b0;
    return LMomentSet{l1, l2, l3 / l2, l4 / l2};
}

// SampleLMoments: l1, l2, t3, t4 from the probability-weighted moments of a
// descending copy of the series (Hosking 1990).
LMomentSet SampleLMoments(const double* x, int n) {
    std::array<double, kSampleCapacity> copy;
    for (int i = 0; i < n; ++i) copy[i] = x[i];
    SortDescending(copy.data(), n);
    return LMomentsOfDescending(copy.data(), n);
}

void SortAscending(double* x, int n) {
    if (n > 1) QuickSort(x, 0, n - 1);
}

void SortDescending(double* x, int n) {
    SortAscending(x, n);
    for (int lo = 0, hi = n - 1; lo < hi; ++lo, --hi) {
        const double t = x[lo];
        x[lo] = x[hi];
        x[hi] = t;
    }
}

}  // namespace zarn
