"""morvane.sweep against morvane-sweep: the same files byte for byte, the
table as a DataFrame, the readers' checks, and Ctrl-C."""

import os
import signal
import subprocess
import sys
import time

import numpy as np
import pytest

import morvane
from conftest import SERIES, arguments, run_program

SWEEPS = [
    ("haploid-local", {"c": (0.2, 0.8, 13)}, {}, 1),
    ("diploid-global", {"c": (0.3, 0.7, 4), "q": (0, 1, 3)},
     dict(disturb="p=0.3,q=0.5,Fit=0.1", max_generations=40), 2),
    ("clonal", {"fAB": "0:1:3", "x": (0, 1, 2)}, {}, None),
    ("haploid-local", {"c": (0.3, 0.7, 5)}, dict(analyse=True, starts=4), 2),
]


def vary_arguments(vary):
    args = []
    for name, axis in vary.items():
        text = axis if isinstance(axis, str) else "%s:%s:%s" % axis
        args += ["--vary", "%s=%s" % (name, text)]
    return args


def parameters_of(model, vary, given):
    """The series' parameters but the varied ones, and those given."""
    parameters = {k: v for k, v in SERIES[model][0].items() if k not in vary}
    parameters.update(given)
    return parameters


def sweep_arguments(model, vary, given):
    parameters = parameters_of(model, vary, given)
    extra = vary_arguments(vary)
    if "disturb" in parameters:
        extra += ["--disturb", parameters.pop("disturb")]
    if "max_generations" in parameters:
        extra += ["--max-generations", str(parameters.pop("max_generations"))]
    if parameters.pop("analyse", False):
        extra += ["--analyse"]
    if "starts" in parameters:
        extra += ["--starts", str(parameters.pop("starts"))]
    return parameters, extra


@pytest.mark.parametrize("model,vary,given,jobs", SWEEPS)
def test_sweep_equals_morvane_sweep(model, vary, given, jobs, folders):
    parameters, extra = sweep_arguments(model, vary, given)
    run_program("MORVANE_SWEEP", arguments(model, parameters, extra + ["--final", "s.mrv"]),
                folders[0])
    table = morvane.sweep(model, vary=vary, jobs=jobs, **parameters_of(model, vary, given))
    assert table.to_files(str(folders[1] / "s.mrv")) == (str(folders[1] / "s.mrv"),
                                                         str(folders[1] / "s.tsv"))
    for name in ("s.mrv", "s.tsv"):
        assert (folders[1] / name).read_bytes() == (folders[0] / name).read_bytes(), name

    lines = (folders[0] / "s.tsv").read_text().splitlines()
    assert table.attrs["first_line"] == lines[0]
    assert list(table.columns) == lines[1].split("\t") and len(table) == len(lines) - 2
    names = lines[1].split("\t")
    t, converged = names.index("T"), names.index("converged")
    rows = [line.split("\t") for line in lines[2:]]
    assert [str(v) for v in table.iloc[0, :1]] == rows[0][:1] and table["T"][0] == int(rows[0][t])
    assert table.iloc[0, t + 1:converged].tolist() == [float(v) for v in rows[0][t + 1:converged]]
    assert table["converged"].tolist() == [row[converged] == "yes" for row in rows]
    for name in ("classA", "classB", "stability"):
        if name in names:
            assert table[name].tolist() == [row[names.index(name)] for row in rows], name
    # Read back, the same table; and to_files writes new files only.
    again = morvane.read_sweep(folders[0] / "s.tsv")
    assert again.equals(table) and again.attrs == table.attrs
    with pytest.raises(FileExistsError):
        again.to_files(str(folders[1] / "s.mrv"))


def test_sweep_refuses_what_morvane_sweep_refuses(tmp_path):
    args = arguments("haploid-local", {"x": 0.5}, ["--vary", "c=0:0.5:3", "--final", "s.mrv"])
    message = run_program("MORVANE_SWEEP", args, tmp_path, expect=2).stderr.strip()
    with pytest.raises(ValueError) as refused:
        morvane.sweep("haploid-local", vary={"c": (0, 0.5, 3)}, x=0.5)
    assert str(refused.value) == message


def damage(path, old, new, count=1):
    content = path.read_bytes()
    assert old in content
    path.write_bytes(content.replace(old, new, count))


# Damaged files: the sweep's reader refuses them with the merge's message;
# the series readers name the file and the line.
SWEEP_DAMAGE = [
    ("s.tsv", b"yes\n", b"yes"),          # the last row cut short
    ("s.mrv", b"\t0.90\t0.60\t0.60\t0.90\t", b"\t0.90\t0.60\t0.60\t0.80\t"),  # not the sweep's W2a
    ("s.tsv", b"\n2\t", b"\n"),          # a row missing
    ("s.mrv", b"T\tx", b"X\tx"),          # no Final header
]


@pytest.mark.parametrize("name,old,new", SWEEP_DAMAGE)
def test_read_sweep_refuses_damaged_files(name, old, new, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    parameters = parameters_of("haploid-local", ["c"], {})
    morvane.sweep("haploid-local", vary={"c": (0.3, 0.7, 5)}, **parameters).to_files("s.mrv")
    damage(tmp_path / name, old, new)
    merged = run_program("MORVANE_SWEEP", ["--merge", "m.mrv", "s.mrv"], tmp_path, expect=2)
    with pytest.raises(ValueError) as refused:
        morvane.read_sweep("s.mrv")
    assert str(refused.value) == merged.stderr.strip()


SERIES_DAMAGE = [
    (morvane.read_detail, "s.gnr", b"E-", b"X-", "s.gnr"),
    (morvane.read_plot, "PlotSexFile.plo", b"\t0.", b"\tx.", "PlotSexFile.plo"),
    (morvane.read_final, "s.mrv", b"\tNoTO", b"\tNoTO\textra", "s.mrv, line 2"),
    (morvane.read_final, "s.mrv", b"\r\n", b"\n", "s.mrv"),
]


@pytest.mark.parametrize("reader,name,old,new,named", SERIES_DAMAGE)
def test_series_readers_refuse_damaged_files(reader, name, old, new, named, tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    parameters, step = SERIES["haploid-local"]
    series = morvane.run("haploid-local", disturb=step, final="s.mrv", detail="s.gnr",
                         **parameters)
    good = reader(tmp_path / name)
    if reader is morvane.read_final:
        assert good["T"].tolist() == [series.generations]
    else:
        one = good[0] if isinstance(good, list) else good
        assert np.array_equal(one.T, series.T)
    damage(tmp_path / name, old, new)
    with pytest.raises(ValueError, match=named.replace(".", r"\.")):
        reader(tmp_path / name)


@pytest.mark.parametrize("reader", [morvane.read_detail, morvane.read_plot, morvane.read_final,
                                    morvane.read_sweep])
def test_readers_raise_oserror_for_a_missing_file(reader, tmp_path):
    with pytest.raises(OSError, match="missing"):
        reader(tmp_path / "missing")


# Work long enough to be stopped: a large sweep, a long series.
LONG_WORK = [
    "morvane.sweep('diploid-global', vary={'c': (0.1, 0.9, 400), 'x': (0, 1, 400)}, L=0,"
    " max_generations=100000, jobs=2)",
    "morvane.run('haploid-global', max_generations=4000000000, L=0, c=0.5, x=0.3, d=0.9, i=3,"
    " j=2, W1A=0.99999, W2A=0.99998, W1a=0.99998, W2a=0.99999)",
]


@pytest.mark.parametrize("work", LONG_WORK)
def test_ctrl_c_stops_the_work(work, tmp_path):
    script = "import morvane\nprint('started', flush=True)\n%s\nprint('finished')\n" % work
    env = dict(os.environ, TMPDIR=str(tmp_path))
    child = subprocess.Popen([sys.executable, "-c", script], env=env, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    assert child.stdout.readline() == "started\n"
    time.sleep(1)
    child.send_signal(signal.SIGINT)
    out, err = child.communicate(timeout=60)
    assert child.returncode != 0 and "KeyboardInterrupt" in err and "finished" not in out
    # The sweep's scratch files are gone.
    assert not list(tmp_path.iterdir())
