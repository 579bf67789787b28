"""morvane.equilibria, continuation and basins against morvane-analyse: the
same table, cell for cell, and the same refusals."""

import math
import shlex

import numpy as np
import pytest

import morvane
from conftest import run_program

# The haploid Levene case: polymorphic for 0.4 < c < 0.6.
LEVENE = dict(x=1, d=1, i=1, j=1, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9, c=0.45)

ANALYSES = [
    (morvane.equilibria, dict(starts=16)),
    (morvane.continuation, dict(vary=("c", 0.3, 0.7), step=0.05)),
    (morvane.basins, dict(grid=7, threads=2)),
]


@pytest.mark.parametrize("analysis,own", ANALYSES)
def test_analysis_equals_morvane_analyse(analysis, own, tmp_path):
    table = analysis("haploid-local", **own, **LEVENE)
    command = shlex.split(table.provenance["command"])
    assert command[0] == "morvane-analyse"
    lines = run_program("MORVANE_ANALYSE", command[1:], tmp_path).stdout.splitlines()
    assert table.attrs["first_line"] == lines[0] == "# " + " ".join(command)
    assert list(table.columns) == lines[1].split("\t") and len(table) == len(lines) - 2 > 0
    for row, line in zip(table.itertuples(index=False), lines[2:]):
        for value, cell in zip(row, line.split("\t")):
            if isinstance(value, str):
                assert value == cell
            else:
                assert (math.isnan(value) and cell == "") or value == float(cell), line
    if analysis is morvane.basins:
        grid = own["grid"]
        assert np.array_equal(table.basin_map.ravel(), table["equilibrium"].to_numpy())
        assert table.basin_map.shape == (grid, grid) and table.p0[grid] == table.p0[grid + 1] > 0
    else:
        assert table.basin_map is None


REFUSED = [
    (morvane.equilibria, dict(c=2), ["equilibria", "--c", "2"]),
    (morvane.equilibria, dict(starts=2), ["equilibria", "--starts", "2"]),
    (morvane.continuation, dict(vary=("p", 0, 1)), ["continue", "--vary", "p=0:1"]),
    (morvane.continuation, dict(vary=("c", 0.3, 1.5)), ["continue", "--vary", "c=0.3:1.5"]),
    (morvane.basins, dict(grid=1), ["basins", "--grid", "1"]),
    (morvane.basins, dict(p=0.3), ["basins", "--p", "0.3"]),
]


@pytest.mark.parametrize("analysis,given,args", REFUSED)
def test_analysis_refuses_what_morvane_analyse_refuses(analysis, given, args, tmp_path):
    message = run_program("MORVANE_ANALYSE", args + ["--model", "haploid-local"], tmp_path,
                          expect=2).stderr.strip()
    with pytest.raises(ValueError) as refused:
        analysis("haploid-local", **given)
    assert str(refused.value) == message
