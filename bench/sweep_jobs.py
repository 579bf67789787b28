#!/usr/bin/python3
"""morvane-sweep on one and on two threads, and its peak memory.

usage: sweep_jobs.py MORVANE_SWEEP [RUNS]

For each grid, runs morvane-sweep --jobs 1 and --jobs 2 in turn RUNS times
(default 5) and prints the median time that passes and processor time of
each, and the ratios 1 job / 2 jobs (speed-up) and 2 jobs / 1 job (processor
time): a 50 x 50 haploid global grid; one slow point (capped at 3,000,000
generations) followed by 4,999 one-generation points; a sweep of W2(a) from
near-neutral to strong selection. Then the peak memory (largest resident set)
of a 1,000 x 1,000 sweep on two threads, and of merging the same sweep run as
two shards. The files of 1 and 2 jobs are compared byte for byte.
"""
import filecmp
import os
import statistics
import subprocess
import sys
import tempfile
import time

GRIDS = {
    "50 x 50": ["--model", "haploid-global", "--W1A", "0.9", "--W2A", "0.6", "--W1a", "0.6",
                "--W2a", "0.9", "--i", "3", "--j", "2", "--d", "0.9",
                "--vary", "x=0:1:50", "--vary", "c=0.2:0.8:50"],
    "slow first point": ["--model", "haploid-global", "--W1A", "0.99999",
                         "--max-generations", "3000000", "--vary", "L=0:0.1:5000"],
    "W2(a) near-neutral to strong": ["--model", "diploid-local", "--W1A", "0.9", "--W1a", "0.9",
                                     "--vary", "W2a=0.9999:0.5:1000", "--vary", "c=0.3:0.7:4"],
}
MILLION = ["--model", "haploid-global", "--W1A", "0.9", "--W2A", "0.6", "--W1a", "0.6",
           "--W2a", "0.9", "--i", "3", "--j", "2", "--d", "0.9",
           "--vary", "x=0:1:1000", "--vary", "c=0.2:0.8:1000"]


def run(command, folder):
    """Time that passes, processor time and peak resident set (MB) of one run."""
    start = time.perf_counter()
    child = subprocess.Popen(command, cwd=folder)
    _, status, usage = os.wait4(child.pid, 0)
    wall = time.perf_counter() - start
    if status != 0:
        sys.exit(" ".join(command) + ": exit status " + str(status))
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss / 1024


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    sweep = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as folder:
        print(f"{'grid':30} {'1 job s':>8} {'cpu':>6} {'2 jobs s':>9} {'cpu':>6}"
              f" {'speed-up':>9} {'cpu 2/1':>8}")
        for g, (name, args) in enumerate(GRIDS.items()):
            times = {1: [], 2: []}
            for k in range(runs):
                for jobs in (1, 2):
                    final = f"g{g}-j{jobs}-{k}.mrv"
                    times[jobs].append(run([sweep] + args + ["--jobs", str(jobs), "--final",
                                                             final], folder))
                for ending in (".mrv", ".tsv"):
                    if not filecmp.cmp(os.path.join(folder, f"g{g}-j1-{k}{ending}"),
                                       os.path.join(folder, f"g{g}-j2-{k}{ending}"), shallow=False):
                        sys.exit(f"{name}: the files of 1 and 2 jobs differ")
            wall = {j: statistics.median(t[0] for t in times[j]) for j in times}
            cpu = {j: statistics.median(t[1] for t in times[j]) for j in times}
            print(f"{name:30} {wall[1]:8.3f} {cpu[1]:6.3f} {wall[2]:9.3f} {cpu[2]:6.3f}"
                  f" {wall[1] / wall[2]:9.2f} {cpu[2] / cpu[1]:8.2f}")
        _, _, whole = run([sweep] + MILLION + ["--jobs", "2", "--final", "m.mrv"], folder)
        for shard in ("0", "1"):
            run([sweep] + MILLION + ["--jobs", "1", "--shard", shard + "/2",
                                     "--final", "s" + shard + ".mrv"], folder)
        _, _, merge = run([sweep, "--merge", "merged.mrv", "s0.mrv", "s1.mrv"], folder)
        for ending in (".mrv", ".tsv"):
            if not filecmp.cmp(os.path.join(folder, "m" + ending),
                               os.path.join(folder, "merged" + ending), shallow=False):
                sys.exit("the merged shards differ from the sweep run whole")
        print(f"peak memory, 1,000,000 points: sweep {whole:.0f} MB, merge {merge:.0f} MB")


main()
