#!/usr/bin/python3
"""The Python module against the programs: its cost over the C++ core.

usage: PYTHONPATH=BUILD/python bench_python.py MORVANE_SWEEP [RUNS]

Prints the median of RUNS (default 5) timings of each:
  - morvane.run of one series of 1,000,000 generations into arrays, against
    the same series run by the C++ runner without keeping anything
    (ratio target: at most 1.2);
  - morvane.sweep of a 200 x 200 grid, against morvane-sweep writing the
    same sweep's files (ratio target: at most 1.1); the files are compared
    byte for byte;
  - import morvane in a fresh python3 (target: under 0.2 s).

The timed actions take turns. Figures on the 2-core development machine
shared with other work (load 1.5 to 2.7), medians of 21 turns in ten runs:
morvane.run 1.20 to 1.42 times the C++ run in processor time, 1.26 in the
middle run (1.22 to 1.35, middle 1.28, in runs between these while it still
wrote the zeros; 1.36 to 1.41 before its arrays were given pages of their
own, huge past their head). Of the series' 65 MB of arrays, 23 MB are
zeros (Fit, DG and deltaQ after the first generations), whose pages are
never written. What is left is memory: the kernel clearing the 42 MB of
fresh pages written (about 6 ms) and the stores of nine values a generation
(about 8 ms, measured into pages already faulted in), which weigh more the
busier the memory is; the generations themselves cost the same on both
sides (90 to 100 ms). Gathering the rows in blocks and writing whole cache
lines past the caches (non-temporal stores) was 3 to 30% slower in every
arrangement tried.
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

import morvane
from morvane import _morvane

# A haploid series that keeps moving: capped at a million generations.
SERIES = dict(c=0.5, x=0.3, d=0.9, i=3, j=2, W1A=0.99999, W2A=0.99998, W1a=0.99998, W2a=0.99999,
              L=0)
GENERATIONS = 1_000_000
GRID = dict(vary={"x": (0, 1, 200), "c": (0.2, 0.8, 200)}, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9,
            i=3, j=2, d=0.9)


def processor_time():
    """Processor time of this process (all its threads) and its children."""
    children = resource.getrusage(resource.RUSAGE_CHILDREN)
    return time.process_time() + children.ru_utime + children.ru_stime


def median_times(actions, runs):
    """Per action, the medians of the time that passes and of the processor
    time, the actions taking turns: on a machine shared with other work the
    load then weighs on each alike, and the processor time is the steadier."""
    passed, used = [[] for _ in actions], [[] for _ in actions]
    for _ in range(runs):
        for k, action in enumerate(actions):
            start, start_cpu = time.perf_counter(), processor_time()
            action()
            passed[k].append(time.perf_counter() - start)
            used[k].append(processor_time() - start_cpu)
    return [(statistics.median(p), statistics.median(u)) for p, u in zip(passed, used)]


def report(what, mine, theirs, names):
    print("%s: %s %.3f s, %s %.3f s, ratio %.2f; processor time %.3f s and %.3f s, "
          "ratio %.2f" % (what, names[0], mine[0], names[1], theirs[0], mine[0] / theirs[0],
                          mine[1], theirs[1], mine[1] / theirs[1]))


def bench_run(runs):
    series = morvane.run("haploid-global", max_generations=GENERATIONS, **SERIES)
    assert series.generations == GENERATIONS, series.generations
    options = ["--model=haploid-global", "--max-generations=%d" % GENERATIONS]
    options += ["--%s=%s" % (name, value) for name, value in SERIES.items()]
    # The same generations on both sides.
    assert _morvane.run_plain(options) == GENERATIONS
    python, plain = median_times(
        [lambda: morvane.run("haploid-global", max_generations=GENERATIONS, **SERIES),
         lambda: _morvane.run_plain(options)], runs)
    report("run, %d generations" % GENERATIONS, python, plain, ("morvane.run", "C++ run"))


def bench_sweep(program, runs):
    args = ["--model", "haploid-global"]
    for name, value in GRID.items():
        if name != "vary":
            args += ["--" + name, str(value)]
    for name, (lo, hi, count) in GRID["vary"].items():
        args += ["--vary", "%s=%s:%s:%s" % (name, lo, hi, count)]
    with tempfile.TemporaryDirectory() as folder:
        final = os.path.join(folder, "s.mrv")

        def program_sweep():
            for name in (final, final[:-4] + ".tsv"):
                if os.path.exists(name):
                    os.remove(name)
            subprocess.run([program] + args + ["--final", final], check=True)

        program_time, python_time = median_times(
            [program_sweep, lambda: morvane.sweep("haploid-global", **GRID)], runs)
        mine = os.path.join(folder, "m.mrv")
        morvane.sweep("haploid-global", **GRID).to_files(mine)
        for a, b in ((final, mine), (final[:-4] + ".tsv", mine[:-4] + ".tsv")):
            with open(a, "rb") as fa, open(b, "rb") as fb:
                assert fa.read() == fb.read(), (a, b)
    report("sweep 200 x 200 (files identical)", python_time, program_time,
           ("morvane.sweep", "morvane-sweep"))


def bench_import(runs):
    code = ("import time; t = time.perf_counter(); import morvane; "
            "print(time.perf_counter() - t)")
    times = [float(subprocess.run([sys.executable, "-c", code], check=True, capture_output=True,
                                  text=True).stdout) for _ in range(runs)]
    print("import morvane: %.3f s (median of %d)" % (statistics.median(times), runs))


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    bench_import(runs)
    bench_run(runs)
    bench_sweep(sys.argv[1], runs)


if __name__ == "__main__":
    main()
