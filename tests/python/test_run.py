"""morvane.run against morvane-run: the same files, record and values, and
the same refusals."""

import shlex

import numpy as np
import pytest

import morvane
from conftest import SERIES, arguments, run_program


@pytest.mark.parametrize("model", sorted(SERIES))
def test_run_equals_morvane_run(model, folders, monkeypatch):
    parameters, step = SERIES[model]
    files = ["--final", "s.mrv", "--detail", "s.gnr"]
    printed = run_program("MORVANE_RUN", arguments(model, parameters, ["--disturb", step] + files),
                          folders[0]).stdout
    monkeypatch.chdir(folders[1])
    traced = morvane.run(model, disturb=[step], final="s.mrv", detail="s.gnr", **parameters)

    plot = "PlotCloneFile.plo" if model == "clonal" else "PlotSexFile.plo"
    for name in ("s.mrv", "s.gnr", plot):
        assert (folders[1] / name).read_bytes() == (folders[0] / name).read_bytes(), name
    assert traced.record.encode() == (folders[0] / "s.mrv").read_bytes().splitlines(True)[-1]

    # Without files: the same series, value for value.
    series = morvane.run(model, disturb=[step], **parameters)
    assert series.record == traced.record
    for name in series.columns:
        assert np.array_equal(getattr(series, name), getattr(traced, name)), name
    # The runs end where morvane-run says, converged; the Detail file holds
    # every generation.
    ends = [int(line.split("\t")[1]) for line in printed.splitlines()]
    assert list(series.run_starts) == [0] + ends[:-1] and series.generations == ends[-1]
    assert series.converged and series.run_converged.all() and len(series.rerun_states) == 1
    detail = morvane.read_detail(folders[0] / "s.gnr")[0]
    assert np.array_equal(detail.T, series.T)
    for name in detail.columns[1:]:
        np.testing.assert_allclose(getattr(detail, name)[1:], getattr(series, name)[1:],
                                   rtol=1e-13, atol=1e-300)
    # What the provenance says runs the same series.
    command = shlex.split(series.provenance["command"])
    assert command[0] == "morvane-run" and series.provenance["model"] == model
    again = run_program("MORVANE_RUN", command[1:], folders[0]).stdout
    assert again == printed


def test_cap_marks_runs_not_converged():
    parameters, step = SERIES["diploid-local"]
    series = morvane.run("diploid-local", disturb=step, max_generations=5, **parameters)
    assert list(series.run_converged) == [False, False] and not series.converged
    assert list(series.run_starts) == [0, 5] and series.generations == 10


# A series without a cap outgrows the room its arrays start with (the long
# one several times, past its first megabytes); with a cap they have their
# room from the start. Both hold the same rows.
@pytest.mark.parametrize("model,tighter", [("haploid-local", {}), ("diploid-local", dict(L=1e-9))])
def test_arrays_keep_every_row_as_they_grow(model, tighter):
    parameters, step = SERIES[model]
    parameters = dict(parameters, **tighter)
    grown = morvane.run(model, disturb=step, **parameters)
    roomy = morvane.run(model, disturb=step, max_generations=grown.generations, **parameters)
    assert roomy.converged and roomy.record == grown.record
    assert np.array_equal(grown.T, np.arange(grown.generations + 1))
    for name in grown.columns:
        assert np.array_equal(getattr(grown, name), getattr(roomy, name)), name


def resident_bytes():
    with open("/proc/self/status") as status:
        line = next(line for line in status if line.startswith("VmRSS:"))
    return int(line.split()[1]) * 1024


# Series far shorter than their cap (a few megabytes of arrays each, room for
# a hundred): the memory they keep is about that of their rows, and goes
# with them.
def test_arrays_keep_only_the_memory_of_their_rows():
    parameters, step = SERIES["diploid-local"]
    before = resident_bytes()
    kept = [morvane.run("diploid-local", disturb=step, max_generations=10**6, **parameters)
            for _ in range(10)]
    rows = sum(getattr(series, name).nbytes for series in kept for name in series.columns)
    assert resident_bytes() - before < 1.5 * rows + (16 << 20)
    del kept
    assert resident_bytes() - before < 16 << 20


# A long haploid series: Fit is 0 throughout, DG and deltaQ soon after the
# start. Pages of zeros only are never written, so take no memory; reading
# them gives zeros.
def test_zeros_take_no_memory():
    before = resident_bytes()
    series = morvane.run("haploid-global", max_generations=10**6, c=0.5, x=0.3, d=0.9, i=3, j=2,
                         W1A=0.99999, W2A=0.99998, W1a=0.99998, W2a=0.99999, L=0)
    grown = resident_bytes() - before
    held = [getattr(series, name) for name in series.columns]
    assert not series.Fit.any() and (series.DG[-500000:] == 0).all()
    assert grown < sum(column.nbytes for column in held if column.any())
    assert resident_bytes() - before < grown + (1 << 20)


# Refused values: the module raises what morvane-run prints.
REFUSED = [
    ("haploid-local", dict(c=2)),
    ("haploid-local", dict(i=0)),
    ("diploid-global", dict(x="abc")),
    ("tetraploid", {}),
    ("clonal", dict(p=0.3)),
    ("haploid-local", dict(p=0.1, q=0.1, DG=0.5)),
    ("haploid-local", dict(trade_off="linear", W2A=0.3)),
    ("haploid-local", dict(ess=True)),
    ("haploid-local", dict(disturb="p=0.3,q=0.2")),
    ("clonal", dict(disturb="fAB=0,fAb=0,faB=0,fab=0")),
    ("haploid-local", dict(max_generations=0)),
    ("haploid-local", dict(colour=3)),
]


@pytest.mark.parametrize("model,given", REFUSED)
def test_refused_values_raise_the_runners_message(model, given, tmp_path):
    extra = ["--ess"] if given.get("ess") else []
    if "disturb" in given:
        extra += ["--disturb", given["disturb"]]
    if "max_generations" in given:
        extra += ["--max-generations", str(given["max_generations"])]
    plain = {k: v for k, v in given.items() if k not in ("ess", "disturb", "max_generations")}
    message = run_program("MORVANE_RUN",
                          arguments(model, plain, extra + ["--final", "f", "--detail", "g"]),
                          tmp_path, expect=2).stderr.strip()
    with pytest.raises(ValueError) as refused:
        morvane.run(model, **given)
    assert str(refused.value) == message
    assert not list(tmp_path.iterdir())
