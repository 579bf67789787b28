"""Shared fixtures of the module's tests: the programs the module is
compared with (named by ctest in MORVANE_RUN, MORVANE_SWEEP and
MORVANE_ANALYSE) and the series every test runs."""

import os
import subprocess

import pytest

# One series per model, each with a rerun: parameters, then the disturbance.
SERIES = {
    "haploid-local": (dict(c=0.6, x=1, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9, p=0.3, q=0.2),
                      "p=0.7,q=0.4,DG=0.01"),
    "haploid-global": (dict(c=0.45, x=0.5, d=0.8, i=3, j=2, W1A=0.8, W2A=0.5, W1a=0.4, W2a=0.9),
                       "p=0.2,q=0.9,DG=-0.01"),
    "diploid-local": (dict(c=0.55, x=0.3, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9, L=1e-7),
                      "p=0.6,q=0.3,Fit=0.2"),
    "diploid-global": (dict(c=0.5, d=0.5, i=2, trade_off="linear", W1A=0.7, W1a=0.3),
                       "p=0.4,q=0.6,DG=0"),
    "clonal": (dict(c=0.6, x=0.2, W1A=0.9, W2A=0.5, W1a=0.5, W2a=0.9, fAB=0.1, fAb=0.4, faB=0.2,
                    fab=0.3), "fAB=0.25,fAb=0.25,faB=0.25,fab=0.25"),
}


def program(name):
    path = os.environ.get(name)
    if not path:
        pytest.fail("%s names no program: run the tests through ctest" % name)
    return path


def arguments(model, parameters, extra=()):
    """The command-line arguments of a model and its parameters."""
    args = ["--model", model]
    for name, value in parameters.items():
        args += ["--" + name.replace("_", "-"), str(value)]
    return args + list(extra)


def run_program(name, args, cwd, expect=0):
    done = subprocess.run([program(name)] + args, cwd=cwd, capture_output=True, text=True)
    assert done.returncode == expect, done.stderr
    return done


@pytest.fixture
def folders(tmp_path):
    """Two empty folders: what the program writes, what the module writes."""
    made = tmp_path / "program", tmp_path / "module"
    for folder in made:
        folder.mkdir()
    return made
