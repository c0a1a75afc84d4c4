#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The benchmark's peer: the work of one ZARN analysis written the way a
hydrologist would write it with NumPy and SciPy, vectorised over the
simulated samples.

It reads a data file (first token of each line), computes the descriptive
statistics and L-moments of the series and of its logarithms, fits the eight
distributions by L-moments, runs the Kendall and Mann-Kendall sign sums, and
for each distribution simulates 500 samples of n values, takes their
L-moment ratios (variance test) and refits each one to correlate it with
its plotting positions (critical R). It does the same work as ZARN, not the
same arithmetic: its random numbers and gamma quantiles are SciPy's, so its
figures are not ZARN's.

    peer.py DATAFILE        prints the eight (R90, sd of the ratio) pairs
"""
import sys

import numpy as np
from scipy import special

REPLICATES = 500
SQRT_PI = np.sqrt(np.pi)
EULER = 0.5772156649015329
LN2 = np.log(2.0)


def read(path):
    values = []
    with open(path) as f:
        for line in f:
            tokens = line.split()
            if tokens:
                values.append(float(tokens[0]))
    return np.array(values)


def lmoments(a):
    """l1, l2, t3, t4 of each row of a (sorted ascending), unbiased PWMs."""
    n = a.shape[-1]
    i = np.arange(n, dtype=float)
    b0 = a.mean(-1)
    b1 = (a * (i / (n - 1))).mean(-1)
    b2 = (a * (i * (i - 1) / ((n - 1) * (n - 2)))).mean(-1)
    b3 = (a * (i * (i - 1) * (i - 2) / ((n - 1) * (n - 2) * (n - 3)))).mean(-1)
    l2 = 2 * b1 - b0
    l3 = 6 * b2 - 6 * b1 + b0
    l4 = 20 * b3 - 30 * b2 + 12 * b1 - b0
    return b0, l2, l3 / l2, l4 / l2


def fit(index, l1, l2, t3):
    """Position, scale, shape by L-moments (Hosking and Wallis 1997), arrays."""
    zero = np.zeros_like(l1)
    if index in (1, 2):
        return l1, l2 * SQRT_PI, zero
    if index == 3:
        scale = l2 / LN2
        return l1 - EULER * scale, scale, zero
    if index == 4:
        return l1 - 2 * l2, 2 * l2, zero
    if index in (5, 6):
        t = np.abs(t3)
        small = t < 1 / 3
        tt = 3 * np.pi * t3 * t3
        a_small = (1 + 0.2906 * tt) / (tt * (1 + tt * (0.1882 + 0.0442 * tt)) + 1e-300)
        u = 1 - t
        a_large = u * (0.36067 + u * (-0.59567 + 0.25361 * u)) / (1 + u * (-2.78861 + u * (2.56096 - 0.77045 * u)))
        alpha = np.where(small, a_small, a_large)
        beta = SQRT_PI * l2 * np.exp(special.gammaln(alpha) - special.gammaln(alpha + 0.5))
        return l1, beta * np.sqrt(alpha), np.sign(t3) * 2 / np.sqrt(alpha)
    if index == 7:
        c = 2 / (3 + t3) - np.log(2) / np.log(3)
        k = 7.859 * c + 2.9554 * c * c
        g = special.gamma(1 + k)
        scale = l2 * k / (g * (1 - 2.0 ** -k))
        return l1 - scale * (1 - g) / k, scale, k
    k = (1 - 3 * t3) / (1 + t3)
    scale = (1 + k) * (2 + k) * l2
    return l1 - scale / (1 + k), scale, k


def quantile(index, p, F):
    """x(F) of distribution index (ln x for 2 and 6); p broadcasts against F."""
    position, scale, shape = p
    if index in (1, 2):
        return position + scale * special.ndtri(F)
    if index == 3:
        return position - scale * np.log(-np.log(F))
    if index == 4:
        return position - scale * np.log1p(-F)
    if index in (5, 6):
        g = np.where(np.abs(shape) < 1e-6, 1e-6, shape)
        a = 4 / (g * g)
        b = np.abs(scale * g / 2)
        upper = special.gammaincinv(a, np.where(g > 0, F, 1 - F)) * b
        return np.where(g > 0, position - a * b + upper, position + a * b - upper)
    if index == 7:
        y = -np.log(-np.log(F))
        return position + scale * (1 - np.exp(-shape * y)) / shape
    y = -np.log1p(-F)
    return position + scale * (1 - np.exp(-shape * y)) / shape


def plotting_positions(index, n):
    i = np.arange(1, n + 1, dtype=float)
    if index in (1, 2, 5, 6):
        return (i - 0.375) / (n + 0.25)
    if index in (3, 4):
        return (i - 0.44) / (n + 0.12)
    return (i - 0.4) / (n + 0.2)


def correlations(a, b):
    a = a - a.mean(-1, keepdims=True)
    b = b - b.mean(-1, keepdims=True)
    return (a * b).sum(-1) / np.sqrt((a * a).sum(-1) * (b * b).sum(-1))


def sign_sum(x):
    """Mann-Kendall S in blocks of rows, so 10000 values fit in memory."""
    s = 0
    for start in range(0, len(x), 500):
        block = x[start:start + 500, None]
        d = np.sign(x[None, :] - block)
        j = np.arange(len(x))[None, :]
        i = np.arange(start, start + len(block))[:, None]
        s += int(d[j > i].sum())
    return s


def main(path):
    x = read(path)
    n = len(x)
    logs = np.log(x)
    for series in (x, logs):
        m = series.mean()
        s = series.std(ddof=1)
        _ = n * ((series - m) ** 3).sum() / ((n - 1) * (n - 2) * s ** 3)
    samples = {False: lmoments(np.sort(x)), True: lmoments(np.sort(logs))}
    sign_sum(x)
    sign_sum(x[1:] - x[:-1])
    rng = np.random.default_rng(748932582)
    results = []
    for index in range(1, 9):
        logarithmic = index in (2, 6)
        l1, l2, t3, _ = samples[logarithmic]
        p = fit(index, np.array(l1), np.array(l2), np.array(t3))
        u = rng.random((REPLICATES, n))
        simulated = np.sort(quantile(index, tuple(np.asarray(v)[()] for v in p), u), axis=-1)
        m1, m2, m3, m4 = lmoments(simulated)
        ratio = m3 if index <= 4 else m4
        refit = fit(index, m1, m2, m3)
        pp = plotting_positions(index, n)
        q = quantile(index, tuple(v[:, None] for v in refit), pp[None, :])
        r = np.sort(correlations(simulated, q))
        results.append((r[REPLICATES // 10 - 1], ratio.std(ddof=1)))
    for r90, sd in results:
        print("%.6f %.6f" % (r90, sd))


if __name__ == "__main__":
    with np.errstate(all="ignore"):
        main(sys.argv[1])
