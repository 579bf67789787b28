"""Morvane from Python: the series of morvane-run, the sweeps of
morvane-sweep and the analyses of morvane-analyse, computed by the same C++
core, as numpy arrays and pandas tables, and the program's result files read
back with its own checks.

    import morvane
    s = morvane.run("haploid-local", c=0.6, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9)
    s.p[-1], s.converged, s.record
    t = morvane.sweep("haploid-local", vary={"c": (0.2, 0.8, 61)}, W1A=0.9)
    t.plot(x="c", y="p"); t.to_files("levene.mrv")
    e = morvane.equilibria("haploid-local", c=0.45, W1A=0.9, W2A=0.6, W1a=0.6, W2a=0.9)

Every value is checked by morvane-run's own option parser: a refused value
raises ValueError with the runner's message. Every result carries
`.provenance`: the program version, the model, every parameter and the
equivalent command line.
"""

import numbers as _numbers
import shlex as _shlex

from . import _morvane

__all__ = ["run", "sweep", "equilibria", "continuation", "basins", "read_detail", "read_plot", "read_final", "read_sweep", "Series",
           "MODELS", "__version__"]

__version__ = _morvane.version

MODELS = ("haploid-local", "haploid-global", "diploid-local", "diploid-global", "clonal")

# Values of the sexual and clonal series, in the order of the files' columns.
_SEXUAL_VALUES = ("p", "q", "DG", "Fit")
_CLONAL_VALUES = ("fAB", "fAb", "faB", "fab")

# Options of morvane-sweep that say where its outputs go or how it runs:
# sweep() keeps its outputs in memory (to_files writes them) and takes jobs.
_SWEEP_OUTPUT_OPTIONS = ("final", "detail", "plot", "trace-dir", "map", "map-of", "map-size",
                         "resume", "merge", "jobs")

_MEANINGS = {
    "x": "proportion of soft (within-habitat) regulation",
    "d": "migration survival of propagules",
    "c": "frequency of habitat 1",
    "i": "maximum number of tries of [AB] (truncated toward zero: 2.7 means 2)",
    "j": "maximum number of tries of [aB] (truncated toward zero)",
    "W1A": "survival of [A] in habitat 1",
    "W2A": "survival of [A] in habitat 2",
    "W1a": "survival of [a] in habitat 1",
    "W2a": "survival of [a] in habitat 2",
    "L": "a run ends when |deltap| <= L and |deltaq| <= L",
    "p": "initial frequency of allele A",
    "q": "initial frequency of the choosy allele B",
    "DG": "initial linkage disequilibrium",
    "fAB": "initial frequency of clone AB",
    "fAb": "initial frequency of clone Ab",
    "faB": "initial frequency of clone aB",
    "fab": "initial frequency of clone ab",
}


class Provenance(dict):
    """What made a result: program, version, model, parameters (every one,
    as the series ran with them; a sweep's varied ones under vary), options
    (the (name, value) options as the program got them) and command (the
    equivalent command line; FINAL.mrv and DETAIL.gnr stand for the files
    it needs where the result was made without files)."""

    def __repr__(self):
        return "Provenance(%s)" % dict.__repr__(self)


def _text(value):
    """A value as the text of a command-line option."""
    if isinstance(value, bool):
        return str(value)  # refused by the runner with the field's message
    if isinstance(value, _numbers.Integral):
        return str(int(value))
    if isinstance(value, _numbers.Real):
        return repr(float(value))
    return str(value)


def _disturb_text(step):
    if isinstance(step, str):
        return step
    try:
        items = step.items()
    except AttributeError:
        raise TypeError("a disturbance is a dict such as {'p': 0.3, 'q': 0.6, 'DG': 0} "
                        "or its text 'p=0.3,q=0.6,DG=0', not %r" % (step,)) from None
    return ",".join("%s=%s" % (key, _text(value)) for key, value in items)


def _options(model, parameters, disturb=(), max_generations=None):
    """The (name, value) options of morvane-run, in command-line order."""
    if not isinstance(model, str):
        raise TypeError("model must be one of %s" % ", ".join(MODELS))
    options = [("model", model)]
    for name, value in parameters.items():
        name = name.replace("_", "-")
        if name == "ess":
            if value:
                options.append(("ess", None))
            continue
        options.append((name, _text(value)))
    if isinstance(disturb, (str, dict)):
        disturb = [disturb]
    for step in disturb or ():
        options.append(("disturb", _disturb_text(step)))
    if max_generations is not None:
        options.append(("max-generations", _text(max_generations)))
    return options


def _arguments(options):
    """The options as arguments of the program's command line."""
    return ["--" + name if value is None else "--%s=%s" % (name, value)
            for name, value in options]


def _command(program, options, required=()):
    words = [program]
    for name, value in list(options) + list(required):
        words.append("--" + name)
        if value is not None:
            words.append(_shlex.quote(value))
    return " ".join(words)


def _provenance(program, model, parameters, options, required=(), **more):
    record = Provenance(program=program, version=__version__, model=model,
                        parameters=dict(parameters), options=list(options),
                        command=_command(program, options, required))
    record.update(more)
    return record


class Series:
    """One series: per generation (row 0 is the state it starts from, T = 0)
    the arrays T, p, q, DG, Fit (sexual models) or fAB, fAb, faB, fab
    (clones), W1, W2, deltaP, deltaQ; per run run_starts (the generation it
    started from) and run_converged; per rerun rerun_states (the disturbed
    state it started from); converged (every run converged); record (the
    Final record morvane-run appends, with its CR LF); provenance.

    A series read from a file holds only the columns the file has."""

    def __init__(self, model, columns, provenance=None, **more):
        self.model = model
        self.columns = tuple(columns)
        for name, values in columns.items():
            setattr(self, name, values)
        self.provenance = provenance
        for name, value in more.items():
            setattr(self, name, value)

    @property
    def clonal(self):
        return self.model == "clonal"

    @property
    def generations(self):
        """The generations the series ran (its last T)."""
        return int(self.T[-1]) if len(self.T) else 0

    def to_dataframe(self):
        """The per-generation arrays as a pandas DataFrame (no copy of the
        arrays where pandas can avoid one)."""
        import pandas
        return pandas.DataFrame({name: getattr(self, name) for name in self.columns}, copy=False)

    def __len__(self):
        return len(self.T)

    def __repr__(self):
        values = _CLONAL_VALUES if self.clonal else _SEXUAL_VALUES
        last = ", ".join("%s=%.6g" % (name, getattr(self, name)[-1]) for name in values
                         if name in self.columns and len(self.T))
        return "<morvane.Series %s, %d generations, %s>" % (self.model, self.generations, last)


def run(model, disturb=(), max_generations=None, *, final=None, detail=None, plot=None,
        **parameters):
    # The docstring is made from the field table below.
    options = _options(model, parameters, disturb, max_generations)
    files = [(name, value) for name, value in (("final", final), ("detail", detail),
                                               ("plot", plot)) if value is not None]
    options += [(name, str(value)) for name, value in files]
    out = _morvane.run_series(_arguments(options))
    values = _CLONAL_VALUES if out["model"] == "clonal" else _SEXUAL_VALUES
    columns = {name: out[name] for name in ("T",) + values + ("W1", "W2", "deltaP", "deltaQ")}
    required = [] if final is not None else [("final", "FINAL.mrv"), ("detail", "DETAIL.gnr")]
    provenance = _provenance("morvane-run", out["model"], out["parameters"], options, required)
    return Series(out["model"], columns, provenance, run_starts=out["run_starts"],
                  run_converged=out["run_converged"], rerun_states=out["rerun_states"],
                  converged=out["converged"], record=out["record"])


def _vary_text(name, axis):
    if isinstance(axis, str):
        return "%s=%s" % (name, axis)
    try:
        start, stop, count = axis
    except (TypeError, ValueError):
        raise TypeError("vary[%r] must be (from, to, count) or 'FROM:TO:COUNT', not %r"
                        % (name, axis)) from None
    return "%s=%s:%s:%s" % (name, _text(start), _text(stop), _text(count))


_SweepTable = None


def _sweep_table_class():
    """The DataFrame of a sweep's table, made when pandas is first needed
    (importing morvane does not import pandas)."""
    global _SweepTable
    if _SweepTable is None:
        import pandas

        class SweepTable(pandas.DataFrame):
            """A sweep's table: the columns of its .tsv, attrs["first_line"]
            its first line, .provenance, and to_files(final), which writes
            the sweep's Final file and table byte for byte as morvane-sweep
            does. A table derived from it (a selection, a copy) is a plain
            DataFrame."""

            _metadata = ["provenance", "_records", "_table"]

            @property
            def _constructor(self):
                return pandas.DataFrame

            def to_files(self, final):
                """Writes the sweep's Final file `final` (.mrv) and its table
                beside it (.tsv), both new files, each whole or not at all
                (an existing file raises FileExistsError). Returns the two
                names."""
                table = _morvane.write_sweep_files(str(final), self._records, self._table)
                return str(final), table

        _SweepTable = SweepTable
    return _SweepTable


def _sweep_table(records, table, provenance):
    first_line = table.partition(b"\n")[0]
    names, columns = _morvane.table_columns(table)
    result = _sweep_table_class()(dict(zip(names, columns)), columns=names, copy=False)
    result.attrs["first_line"] = first_line.decode()
    result.provenance = provenance
    result._records = records
    result._table = table
    return result


def sweep(model, vary, jobs=None, disturb=(), max_generations=None, analyse=False, starts=None,
          **parameters):
    # The docstring is made from the field table below.
    if not vary:
        raise ValueError("vary needs one or two parameters, e.g. vary={'c': (0.2, 0.8, 61)}")
    options = _options(model, parameters, disturb, max_generations)
    for name, _ in options:
        if name in _SWEEP_OUTPUT_OPTIONS:
            raise ValueError("sweep() takes no --%s: it keeps its outputs in memory "
                             "(to_files writes them)" % name)
    for name, axis in vary.items():
        options.append(("vary", _vary_text(name, axis)))
    if analyse:
        options.append(("analyse", None))
    if starts is not None:
        options.append(("starts", _text(starts)))
    args = _arguments(options)
    if jobs is not None:
        args.append("--jobs=%s" % _text(jobs))
    records, table, used_jobs = _morvane.sweep(args)
    # Every parameter but the varied ones, as the points run with them.
    base = [(name, value) for name, value in options
            if name not in ("vary", "analyse", "starts") and name not in vary]
    parameters = {name: value
                  for name, value in _morvane.check_options(_arguments(base))["parameters"].items()
                  if name not in vary}
    provenance = _provenance("morvane-sweep", model, parameters, options,
                             [("final", "FINAL.mrv")], jobs=used_jobs,
                             vary={name: _vary_text(name, axis).partition("=")[2]
                                   for name, axis in vary.items()})
    return _sweep_table(records, table, provenance)


def read_sweep(path):
    """Reads a sweep's Final file and table, given either (the other lies
    beside it), with morvane-sweep's checks: both files whole, the Final
    header, a sweep's table, every point of the sweep (or of the shard),
    every record against its row and its point's parameters. Returns the
    table as morvane.sweep does (to_files writes it again); a refused file
    raises ValueError with the program's message, one that cannot be read
    OSError."""
    records, table, final, table_name = _morvane.read_sweep(str(path))
    description = table.partition(b"\n")[0].decode()
    arguments = description[len("# morvane-sweep "):]
    provenance = Provenance(program="morvane-sweep", version=__version__,
                            command="morvane-sweep %s --final %s" % (arguments,
                                                                     _shlex.quote(final)),
                            files=(final, table_name))
    words = _shlex.split(arguments)
    if "--model" in words[:-1]:
        provenance["model"] = words[words.index("--model") + 1]
    return _sweep_table(records, table, provenance)


def read_final(path):
    """Reads a Final file (.mrv): its header line, then one record per
    series, CR LF line ends, TAB separators. Returns a pandas DataFrame with
    the header's columns (numbers as numbers, the statuses and the Plot
    file's name as text), attrs["provenance"] naming the file (each record
    holds its parameters); a damaged file raises ValueError naming the file
    and the line, one that cannot be read OSError."""
    import pandas
    records = _morvane.read_final(str(path))
    names = _morvane.final_header.rstrip("\r\n").split("\t")
    frame = pandas.DataFrame(records, columns=names)
    for name in names[:14]:
        frame[name] = pandas.to_numeric(frame[name], errors="coerce")
    frame["T"] = frame["T"].astype("int64")
    frame.attrs["provenance"] = Provenance(file=str(path))
    return frame


def read_plot(path, clonal=False):
    """Reads a Plot file (.plo) as the chart windows do: per line T and four
    values, p, q, DG, Fit (or, with clonal=True, fAB, fAb, faB, fab: the
    file does not tell). Returns a Series of those columns; a damaged line
    raises ValueError naming the file and the line, an unreadable file
    OSError."""
    out = _morvane.read_plot(str(path))
    names = _CLONAL_VALUES if clonal else _SEXUAL_VALUES
    columns = dict(zip(("T",) + names, [out["T"]] + list(out["values"])))
    model = "clonal" if clonal else None
    return Series(model, columns, Provenance(file=str(path)))


def _model_of_statuses(ploidy, reproduction):
    if reproduction == "Clonal":
        return "clonal"
    return "%s-%s" % (ploidy.lower(), reproduction.lower())


def read_detail(path):
    """Reads every series of a Detail file (.gnr) as the chart windows do.
    Returns a list of Series, each with T, p, q, DG, Fit (or the four clone
    frequencies), row 0 its run header's state, its parameters (x, d, c, i,
    j, W1A, W2A, W1a, W2a; a Detail file records no L) and statuses in
    .provenance. A damaged line raises ValueError naming the file and the
    line, an unreadable file OSError."""
    result = []
    for one in _morvane.read_detail(str(path)):
        trade_off, ess, ploidy, reproduction = one["status"]
        model = _model_of_statuses(ploidy, reproduction)
        names = _CLONAL_VALUES if one["clonal"] else _SEXUAL_VALUES
        columns = dict(zip(("T",) + names, [one["T"]] + list(one["values"])))
        provenance = Provenance(program="morvane", version=__version__, model=model,
                                parameters=one["parameters"], trade_off=trade_off, ess=ess,
                                file=str(path))
        result.append(Series(model, columns, provenance))
    return result


_AnalysisTable = None


def _analysis_table_class():
    """The DataFrame of a morvane-analyse table, made when pandas is first
    needed."""
    global _AnalysisTable
    if _AnalysisTable is None:
        import pandas

        class AnalysisTable(pandas.DataFrame):
            """A table of morvane-analyse: its columns and values,
            attrs["first_line"] its first line ('#' and the command),
            .provenance, and for basins .basin_map (N x N: at [i, j] the
            equilibrium reached from p0 = i/(N-1), q0 = j/(N-1), -1 for
            none). A table derived from it is a plain DataFrame."""

            _metadata = ["provenance", "basin_map"]

            @property
            def _constructor(self):
                return pandas.DataFrame

        _AnalysisTable = AnalysisTable
    return _AnalysisTable


# Columns of morvane-analyse's tables that hold words; an empty cell of them
# reads as "", of any other column as NaN.
_ANALYSIS_WORDS = ("stability", "event")


def _analyse(command, model, parameters, own):
    """morvane-analyse's `command` with the model's parameters and the
    command's own (name, value) options, as an AnalysisTable."""
    import io
    import pandas
    options = _options(model, parameters)
    for name, _ in options:
        if name in ("final", "detail", "plot"):
            raise ValueError("%s() writes no files: it takes no --%s" % (command, name))
    words = [command]
    for name, value in options + own:
        words += ["--" + name] if value is None else ["--" + name, value]
    text, grid = _morvane.analyse(words)
    first_line, _, rest = text.partition("\n")
    frame = pandas.read_csv(io.StringIO(rest), sep="\t", keep_default_na=False, na_values=[""],
                            dtype={name: object for name in _ANALYSIS_WORDS})
    for name in _ANALYSIS_WORDS:
        if name in frame:
            frame[name] = frame[name].fillna("")
    table = _analysis_table_class()(frame)
    table.attrs["first_line"] = first_line
    varied = dict(own).get("vary", "").partition("=")[0]
    base = [(name, value) for name, value in options if name != varied]
    used = {name: value
            for name, value in _morvane.check_options(_arguments(base))["parameters"].items()
            if name not in _SEXUAL_VALUES + _CLONAL_VALUES and name != varied}
    table.provenance = _provenance("morvane-analyse", model, used, options + own,
                                   first_line=first_line)
    table.provenance["command"] = "morvane-analyse " + " ".join(_shlex.quote(w) for w in words)
    table.basin_map = (table["equilibrium"].to_numpy().reshape(grid, grid) if grid else None)
    return table


def equilibria(model, starts=25, **parameters):
    # The docstring is made from the field table below.
    return _analyse("equilibria", model, parameters, [("starts", _text(starts))])


def continuation(model, vary=("c", 0.3, 0.7), step=None, starts=25, **parameters):
    # The docstring is made from the field table below.
    try:
        name, start, stop = vary
    except (TypeError, ValueError):
        raise TypeError("vary must be (name, from, to), e.g. ('c', 0.3, 0.7), not %r"
                        % (vary,)) from None
    own = [("vary", "%s=%s:%s" % (name, _text(start), _text(stop)))]
    if step is not None:
        own.append(("step", _text(step)))
    own.append(("starts", _text(starts)))
    return _analyse("continue", model, parameters, own)


def basins(model, grid=50, threads=None, **parameters):
    # The docstring is made from the field table below.
    own = [("grid", _text(grid))]
    if threads is not None:
        own.append(("threads", _text(threads)))
    return _analyse("basins", model, parameters, own)


def _field_help():
    lines = []
    for clonal in (False, True):
        lines.append("Parameters of the clonal model:" if clonal else
                     "Parameters of the sexual models (default in brackets):")
        for option, is_clonal, lo, hi, default, count, message in _morvane.field_table():
            if is_clonal != clonal or (clonal and option not in _CLONAL_VALUES):
                continue
            if lo is None or hi is None:
                span = "within [max(-pq, -(1-p)(1-q)) .. min(p(1-q), q(1-p))]"
            else:
                span = "%g..%g" % (lo, hi)
            lines.append("    %-4s %s, %s [%g]" % (option, _MEANINGS.get(option, option), span,
                                                    default))
        if not clonal:
            lines.append("    trade_off  'linear' (W2 = 1 - W1), 'convex' (W2 = 1 - W1*W1) or "
                         "'concave' (W2 = (1 - W1)^2):")
            lines.append("               W2A and W2a are then computed and must not be given")
            lines.append("    ess  True: W1A set so that [A] is the ESS (trade_off='linear', "
                         "c >= 0.5; no W1A)")
    lines.append("    (the clonal model takes x, d, c, i, j, the survivals and L as above; the "
                 "four frequencies are brought to sum 1)")
    return "\n".join(lines)


run.__doc__ = """Runs one series of `model` as morvane-run does and returns a Series.

    model            'haploid-local', 'haploid-global', 'diploid-local',
                     'diploid-global' or 'clonal'
    disturb          disturbances after the start run, each a dict such as
                     {'p': 0.3, 'q': 0.6, 'DG': 0} (diploids: DG or Fit;
                     clones: fAB, fAb, faB, fab) or its text 'p=0.3,q=0.6,DG=0':
                     after each run the state is set to it and the series runs
                     again
    max_generations  cap on the generations of each run (1..4294967295); a run
                     cut by it has not converged
    final, detail, plot
                     the Final, Detail and Plot files to write, as morvane-run
                     writes them (final and detail together); none by default
    **parameters     the model's values by morvane-run's option names:

%s

Values are checked by morvane-run's own option parser, with the ranges and
messages of the program's fields: a refused value raises ValueError with the
runner's message ("c out of Range"). Numbers are given to it as their
shortest exact text. Ctrl-C stops the series (KeyboardInterrupt).
""" % _field_help()

sweep.__doc__ = """Runs `model` at every point of a grid, as morvane-sweep does, through
the sweep library on `jobs` threads (all cores by default), the GIL released;
Ctrl-C stops it (KeyboardInterrupt). Returns the sweep's table as a pandas
DataFrame: columns exactly those of the .tsv (point, the varied values, T,
p, q, DG, Fit or fAB, fAb, faB, fab, converged as True/False, and with
analyse classA, classB, stability as text, radius, lambdaA, lambdaB (NaN
where empty) and with starts stableCount),
attrs["first_line"] the table's first line, .provenance, and
.to_files(final), which writes the Final file and the table byte for byte as
morvane-sweep would.

    vary        one or two parameters, {'c': (0.2, 0.8, 61)} or
                {'c': '0.2:0.8:61', 'x': (0, 1, 11)}: COUNT values from FROM
                to TO, ends included, each as its field shows it; the last
                changes fastest
    jobs        threads (1..1024); the results do not depend on it
    analyse     True: each point's end state classed, with its equilibrium's
                stability and eigenvalues (morvane-sweep --analyse)
    starts      with analyse, K: the number of stable equilibria found from
                about K starts (morvane-sweep --starts K)
    disturb, max_generations, trade_off, ess and the parameters as for run()
    (see help(morvane.run)); refused values raise ValueError with the
    program's message.
"""

_ANALYSIS_COMMON = """Computed by the analysis library on the model's recurrence itself, the GIL
released; the model's values are checked by morvane-run's own option parser
(an initial state, disturbances and files are not taken): a refused value
raises ValueError with the program's message. Returns a pandas DataFrame whose
columns and values are those of morvane-analyse's table (an empty cell is NaN,
or "" in stability and event), attrs["first_line"] its first line ('#' and
the equivalent command) and .provenance.
"""

equilibria.__doc__ = """Every equilibrium of `model` at one parameter set, as
`morvane-analyse equilibria` finds them: from a grid of starts over p and q
(DG = 0) each run to convergence and polished by Newton's method, and
Newton's method from each start itself (which finds unstable equilibria).
One row per equilibrium: p q DG Fit (clones: fAB fAb faB fab), X1 .. X4
(haploids, clones) or X1 .. X9 (diploids), stability (stable, unstable or
neutral), radius (spectral radius of the Jacobian), lambdaA and lambdaB (at
a boundary, the invasion eigenvalue of the missing allele), starts (how many
starts' runs ended there).

    starts        about K starts, the nearest square grid (4..1000000)
    trade_off, ess and the parameters as for run() (see help(morvane.run))

""" + _ANALYSIS_COMMON

continuation.__doc__ = """The branches of equilibria of `model` along one
parameter, as `morvane-analyse continue` follows them: the equilibria found
at the first value, each followed by pseudo-arclength continuation to the
last. One row per point: branch, the parameter (under its name), the state
and stability columns of equilibria(), event (fold, flip, branch point,
torus, neutral or end; "" for none).

    vary          (name, from, to): x, d, c, W1A, W2A, W1a or W2a (not a
                  survival that a trade-off or ess computes); both ends are
                  checked as the parameter's own value
    step          largest step along a branch (above 0) [|to - from| / 100]
    starts        the starts of the equilibria at the first value, as for
                  equilibria()
    trade_off, ess and the parameters as for run() (see help(morvane.run))

""" + _ANALYSIS_COMMON

basins.__doc__ = """The basins of attraction of `model` over the (p, q)
plane, as `morvane-analyse basins` maps them: the equilibrium that a run from
each start of a grid x grid grid (DG = 0) reaches. One row per start: p0 q0,
equilibrium (its number among the equilibria found, -1 for none), its p, q
and stability. The map also as an N x N numpy array, .basin_map: at [i, j]
the equilibrium reached from p0 = i/(N-1), q0 = j/(N-1).

    grid          starts along p and along q (2..2000)
    threads       threads (1..1024) [the processor's cores]; the map does not
                  depend on them
    trade_off, ess and the parameters as for run() (see help(morvane.run))

""" + _ANALYSIS_COMMON
