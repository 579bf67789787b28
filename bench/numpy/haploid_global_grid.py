#!/usr/bin/python3
"""The haploid global model over a grid of x and c, vectorised with numpy.

The yardstick for morvane-sweep: the same recurrence as the program's
haploid global step, generation after generation for every point of the grid
at once, each point leaving the arrays when both allele frequency changes are
at most L. Writes one TAB-separated line per point: point, T, p, q, DG, Fit,
in morvane-sweep's grid order (the second axis changes fastest).

usage: haploid_global_grid.py XFROM:XTO:XCOUNT CFROM:CTO:CCOUNT OUT
Other parameters are fixed: d 0.9, i 3, j 2, W1A 0.9, W2A 0.6, W1a 0.6,
W2a 0.9, L 0.000001, p = q = 0.5, DG = 0.
"""
import math
import sys

import numpy as np

D, I, J = 0.9, 3, 2
W1A, W2A, W1a, W2a = 0.9, 0.6, 0.6, 0.9
L = 0.000001


def axis(text):
    """COUNT values from FROM to TO, ends included, at 15 significant digits."""
    lo, hi, count = text.split(":")
    lo, hi, count = float(lo), float(hi), int(count)
    values = [lo if k == 0 else hi if k + 1 == count else lo + (hi - lo) * k / (count - 1)
              for k in range(count)]
    return [float("%.15g" % v) for v in values]


def fixed(f):
    return (f <= 1e-10) | (f >= 0.99999999999)


def settlement_factors(c):
    """SAB1, RAB2, RaB1, SaB2 per point, whole powers taken as exp(n ln m)."""
    out = []
    for cv in c:
        m1 = (1 - cv) * D
        m2 = cv * D
        l1, l2 = math.log(m1), math.log(m2)
        out.append(((1 - math.exp(I * l1)) / (1 - m1), math.exp((I - 1) * l1),
                    math.exp((J - 1) * l2), (1 - math.exp(J * l2)) / (1 - m2)))
    return np.array(out).T


def run(xs, cs):
    x = np.repeat(np.array(xs), len(cs))
    c = np.tile(np.array(cs), len(xs))
    n = x.size
    SAB1, RAB2, RaB1, SaB2 = settlement_factors(c)
    point = np.arange(n)
    X = np.full((4, n), 0.25)  # p = q = 0.5, DG = 0
    p = np.full(n, 0.5)
    q = np.full(n, 0.5)
    T = 0
    results = np.zeros((n, 5))
    while point.size:
        T += 1
        cd = c * D
        c1d = (1 - c) * D
        h1 = np.stack([cd * SAB1 * X[0] * W1A, cd * X[1] * W1A,
                       cd * RaB1 * X[2] * W1a, cd * X[3] * W1a])
        h2 = np.stack([c1d * RAB2 * X[0] * W2A, c1d * X[1] * W2A,
                       c1d * SaB2 * X[2] * W2a, c1d * X[3] * W2a])
        W1 = ((h1[0] + h1[1]) + h1[2]) + h1[3]
        W2 = ((h2[0] + h2[1]) + h2[2]) + h2[3]
        S1 = np.where(W1 <= 1e-19, 0.0, h1 / W1)
        S2 = np.where(W2 <= 1e-19, 0.0, h2 / W2)
        W = W1 + W2
        X = x * (c * S1 + (1 - c) * S2) + (1 - x) * (W1 * S1 + W2 * S2) / W
        X = np.where(W <= 1e-20, 0.0, X)
        newp = X[0] + X[1]
        newq = X[0] + X[2]
        dp = newp - p
        dq = np.where(fixed(q), 0.0, newq - q)
        p, q = newp, newq
        a, b, e, g = X
        v = 2 * (a * g + b * e) / 4
        X = np.stack([(2 * a * b + 2 * a * e) / 2 + a * a + v,
                      v + (2 * a * b + 2 * b * g) / 2 + b * b,
                      v + (2 * a * e + 2 * e * g) / 2 + e * e,
                      v + (2 * b * g + 2 * e * g) / 2 + g * g])
        done = (np.abs(dp) <= L) & (np.abs(dq) <= L)
        if done.any():
            dg = X[0] * X[3] - X[1] * X[2]
            results[point[done]] = np.stack([np.full(done.sum(), T), p[done], q[done],
                                             dg[done], np.zeros(done.sum())]).T
            keep = ~done
            point, x, c, X, p, q = point[keep], x[keep], c[keep], X[:, keep], p[keep], q[keep]
            SAB1, RAB2, RaB1, SaB2 = SAB1[keep], RAB2[keep], RaB1[keep], SaB2[keep]
    return results


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with np.errstate(all="ignore"):
        results = run(axis(sys.argv[1]), axis(sys.argv[2]))
    with open(sys.argv[3], "w") as out:
        for k, (t, p, q, dg, fit) in enumerate(results):
            out.write("%d\t%d\t%.17g\t%.17g\t%.17g\t%.17g\n" % (k, t, p, q, dg, fit))


if __name__ == "__main__":
    main()
