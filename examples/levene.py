#!/usr/bin/env python3
"""The Levene threshold: haploids under soft regulation (x = 1) with no
cost of dispersal (d = 1) and no habitat choice (i = j = 1), [A] better in
habitat 1 (W1A = 0.9, W2A = 0.6) and [a] in habitat 2 (W1a = 0.6,
W2a = 0.9). The equilibrium frequency of A against the frequency c of
habitat 1 follows the theory line p = (c - 0.4) / 0.2 between the two
thresholds c = 0.4 and c = 0.6, where one allele is lost.

    python3 levene.py [FIGURE]        (default levene.png)
"""

import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import morvane  # noqa: E402

figure_file = sys.argv[1] if len(sys.argv) > 1 else "levene.png"

table = morvane.sweep("haploid-local", vary={"c": (0.3, 0.7, 81)}, x=1, d=1, i=1, j=1,
                      W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9)
theory = np.clip((table["c"] - 0.4) / 0.2, 0, 1)

fig, ax = plt.subplots(figsize=(6, 4))
ax.plot(table["c"], table["p"], "o", markersize=4, label="Morvane (equilibrium p)")
ax.plot(table["c"], theory, "-", label="theory: p = (c - 0.4) / 0.2")
ax.set_xlabel("c (frequency of habitat 1)")
ax.set_ylabel("p (frequency of allele A)")
ax.set_title("Levene threshold, haploids, x = 1, d = 1")
ax.legend(loc="upper left")
fig.tight_layout(rect=(0, 0.04, 1, 1))
fig.text(0.01, 0.01, table.provenance["command"], fontsize=5, color="grey")
fig.savefig(figure_file, dpi=150, metadata={"Software": "morvane " + morvane.__version__})

# The sweep must follow the theory line. At the two thresholds themselves
# the lost allele goes slowly (its change falls to L while its frequency is
# still of order sqrt(L)), hence the tolerance.
gap = float(np.max(np.abs(table["p"] - theory)))
print("%s: %d points, largest gap to the theory line %.2g" % (figure_file, len(table), gap))
if not table["converged"].all() or gap > 5e-3:
    sys.exit("levene.py: the sweep does not follow the theory line")
