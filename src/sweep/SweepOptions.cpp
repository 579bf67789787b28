#include "sweep/SweepOptions.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <sched.h>
#include <thread>

#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "sweep/SweepNames.h"

namespace morvane {

namespace {

constexpr unsigned kMaxJobs = 1024;

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

unsigned AvailableCores() {
  cpu_set_t set;
  if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return static_cast<unsigned>(CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

void ParseMapOptions(SweepOptions &o, const std::map<std::string, std::string> &given) {
  auto it = given.find("map");
  if (it == given.end()) {
    if (given.count("map-of") || given.count("map-size"))
      Refuse("--map-of and --map-size need --map FILE");
    return;
  }
  o.mapFile = it->second;
  if (!HasEnding(o.mapFile, ".png") && !HasEnding(o.mapFile, ".svg") &&
      !HasEnding(o.mapFile, ".pdf"))
    Refuse("--map needs a file name ending in .png, .svg or .pdf (got \"" + o.mapFile + "\")");
  it = given.find("map-size");
  if (it != given.end()) {
    const std::vector<std::string> parts = SplitText(it->second, 'x');
    const auto w = parts.size() == 2 ? WholeNumber(parts[0], 200, 8000) : std::nullopt;
    const auto h = parts.size() == 2 ? WholeNumber(parts[1], 150, 8000) : std::nullopt;
    if (!w || !h)
      Refuse("--map-size needs WIDTHxHEIGHT in pixels, 200x150 to 8000x8000 (got \"" + it->second +
             "\")");
    o.mapWidth = static_cast<int>(*w);
    o.mapHeight = static_cast<int>(*h);
  }
  it = given.find("map-of");
  if (it != given.end())
    o.mapOf = it->second;
}

// A result file of the sweep: named, and not one of the other outputs. A run
// finds out later whether an existing file is its own (PrepareSweepOutputs).
void CheckOutputName(const std::string &name, const std::string &what,
                     const std::vector<std::string> &others) {
  if (name.empty())
    Refuse(what + " needs a file name");
  for (const std::string &other : others)
    if (SameFile(name, other))
      Refuse(name + " is named twice among the result files");
}

// The Final file of a sweep or a merge, which names its table too.
void CheckFinalName(const std::string &name, const std::string &what) {
  CheckOutputName(name, what, {});
  if (HasEnding(name, ".tsv"))
    Refuse(what + " " + name +
           " names a table: give the Final file (.mrv); its table is written "
           "beside it");
}

// The path as an absolute, normal one, for comparing where files lie.
std::filesystem::path Where(const std::string &name) {
  const std::filesystem::path absolute = std::filesystem::absolute(name).lexically_normal();
  std::error_code error;
  const std::filesystem::path path = std::filesystem::weakly_canonical(absolute, error);
  return error ? absolute : path;
}

// Whether `inner` is `outer` or lies inside it.
bool LiesIn(const std::string &inner, const std::string &outer) {
  const std::filesystem::path in = Where(inner), out = Where(outer);
  const auto o = std::mismatch(out.begin(), out.end(), in.begin(), in.end()).first;
  return o == out.end() || (o->empty() && std::next(o) == out.end());
}

// The runs of every point (the start and one per --disturb) and the cap on
// the generations of a run, as the plan's options give them.
std::size_t RunsOf(const SweepPlan &plan) {
  return 1 + static_cast<std::size_t>(
                 std::count_if(plan.base.begin(), plan.base.end(),
                               [](const CommandOption &o) { return o.name == "disturb"; }));
}

std::optional<std::uint64_t> MaxGenerationsOf(const SweepPlan &plan) {
  for (const CommandOption &option : plan.base)
    if (option.name == "max-generations")
      return WholeNumber(option.value.value_or(""), 1, 0xFFFFFFFFu);
  return std::nullopt;
}

// The trace folder: no output lies in it or is it, and its file system has
// room for what the trace files will take at least: every run of every
// point has a generation, and --max-generations tells how many at most.
void CheckTraceDir(const SweepOptions &o, const std::vector<std::string> &outputs,
                   std::optional<std::uint64_t> maxGenerations, std::size_t runs) {
  for (const std::string &output : outputs)
    if (!output.empty() && (LiesIn(output, o.traceDir) || LiesIn(o.traceDir, output)))
      Refuse("--trace-dir " + o.traceDir + " and " + output +
             " lie in one another: the trace files need a folder of their own");
  constexpr double kPointBytes = 800, kGenerationBytes = 260; // headers; a Detail and a Plot line
  const double points = static_cast<double>(
      (o.plan.Points() + o.plan.shardCount - 1 - o.plan.shardIndex) / o.plan.shardCount);
  const double generations =
      static_cast<double>(runs) * static_cast<double>(maxGenerations.value_or(1));
  const double estimate = points * (kPointBytes + generations * kGenerationBytes);
  std::error_code error;
  const std::filesystem::path folder = Where(o.traceDir);
  const std::filesystem::space_info space =
      std::filesystem::space(FileExists(o.traceDir) ? folder : folder.parent_path(), error);
  if (!error && estimate > static_cast<double>(space.available)) {
    char text[200];
    const double free = static_cast<double>(space.available);
    std::snprintf(text, sizeof text, "about %.*f MB%s, and its file system has %.*f MB free",
                  estimate < 1e7 ? 2 : 0, estimate / 1e6, maxGenerations ? "" : " at the least",
                  free < 1e7 ? 2 : 0, free / 1e6);
    Refuse("--trace-dir " + o.traceDir + ": the trace files would take " + text);
  }
}

} // namespace

void CheckSweepMap(SweepOptions &o) {
  if (o.mapFile.empty())
    return;
  const std::vector<std::string> outputs = SweepMapOutputs(o.plan);
  if (o.mapOf.empty())
    o.mapOf = outputs.front();
  if (std::find(outputs.begin(), outputs.end(), o.mapOf) == outputs.end())
    Refuse("--map-of must be one of " + JoinedText(outputs, ", ") + " for this sweep (got \"" +
           o.mapOf + "\")");
}

namespace {

SweepOptions ParseMerge(const std::vector<std::string> &args) {
  SweepOptions o;
  o.merge = true;
  std::map<std::string, std::string> given;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string &arg = args[k];
    if (arg.compare(0, 2, "--") != 0) {
      o.mergeInputs.push_back(arg);
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string name = arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
    if (name != "merge" && name != "map" && name != "map-of" && name != "map-size")
      Refuse("--merge takes only OUT, the shards' Final files and --map, --map-of, --map-size "
             "(got --" +
             name + ")");
    if (eq == std::string::npos && k + 1 >= args.size())
      Refuse("--" + name + " needs a value");
    const std::string value = eq != std::string::npos ? arg.substr(eq + 1) : args[++k];
    if (!given.emplace(name, value).second)
      Refuse("--" + name + " is given twice");
  }
  o.finalFile = given.at("merge");
  o.tableFile = SweepTableName(o.finalFile);
  if (o.mergeInputs.empty())
    Refuse("--merge OUT needs the Final files of the shards after it");
  if (o.extend && !o.traceDir.empty())
    Refuse("--extend cannot be given with --trace-dir: the trace files of a sweep are numbered "
           "by its grid");
  ParseMapOptions(o, given);
  // Whether outputs in place are this merge's is told once its shards are
  // read (MergeSweepShards).
  CheckFinalName(o.finalFile, "--merge");
  CheckOutputName(o.tableFile, "--merge", {o.finalFile});
  if (!o.mapFile.empty())
    CheckOutputName(o.mapFile, "--map", {o.finalFile, o.tableFile});
  return o;
}

} // namespace

SweepOptions ParseSweepOptions(const std::vector<std::string> &args) {
  SweepOptions o;
  for (const std::string &arg : args) {
    if (arg == "--help") {
      o.help = true;
      return o;
    }
  }
  for (const std::string &arg : args)
    if (arg == "--merge" || arg.compare(0, 8, "--merge=") == 0) {
      o = ParseMerge(args);
      return o;
    }

  std::vector<CommandOption> planOptions;
  std::map<std::string, std::string> given;
  for (CommandOption &option : SplitCommandLine(args, {"ess", "resume", "extend", "analyse"})) {
    if (option.name == "resume" || option.name == "extend") {
      bool &flag = option.name == "resume" ? o.resume : o.extend;
      if (flag)
        Refuse("--" + option.name + " is given twice");
      flag = true;
    } else if (!IsSweepOutputOption(option.name)) {
      planOptions.push_back(std::move(option));
    } else if (!given.emplace(option.name, *option.value).second) {
      Refuse("--" + option.name + " is given twice");
    }
  }
  o.plan = PlanOfOptions(planOptions);

  if (given.count("final") == 0)
    Refuse("--final is required (see --help)");
  o.finalFile = given.at("final");
  o.tableFile = SweepTableName(o.finalFile);
  o.jobs = AvailableCores();
  if (given.count("jobs")) {
    const auto jobs = WholeNumber(given.at("jobs"), 1, kMaxJobs);
    if (!jobs)
      Refuse("--jobs needs a whole number from 1 to " + std::to_string(kMaxJobs));
    o.jobs = static_cast<unsigned>(*jobs);
  }
  if (given.count("trace-dir")) {
    o.traceDir = given.at("trace-dir");
    if (o.traceDir.empty())
      Refuse("--trace-dir needs a folder name");
    if (FileExists(o.traceDir) && !std::filesystem::is_directory(o.traceDir))
      Refuse("--trace-dir " + o.traceDir + " is not a folder");
    o.plan.traceDir = o.traceDir;
  }
  ParseMapOptions(o, given);
  if (!o.mapFile.empty() && o.plan.shardCount > 1)
    Refuse("--map draws a whole sweep: draw it when the shards are merged (--merge OUT SHARDS... "
           "--map FILE)");
  CheckSweepMap(o);

  CheckFinalName(o.finalFile, "--final");
  if (!o.mapFile.empty())
    CheckOutputName(o.mapFile, "--map", {o.finalFile, o.tableFile});
  if (!o.traceDir.empty())
    CheckTraceDir(o, {o.finalFile, o.tableFile, o.mapFile}, MaxGenerationsOf(o.plan),
                  RunsOf(o.plan));
  return o;
}

std::string SweepHelpText() {
  return R"(Usage: morvane-sweep --model MODEL --vary NAME=FROM:TO:COUNT [--vary ...]
                     --final FILE [options]
       morvane-sweep --merge OUT SHARD.mrv... [--map FILE ...]

Runs, for every point of a grid over one or two parameters, the series that
morvane-run would run with those values (the start run, the --disturb steps,
then Stop), and writes one Final record per point in grid order. Every option
of morvane-run for the model, its parameters, --trade-off, --ess, --disturb
and --max-generations is taken as morvane-run takes it; --detail and --plot
are not (see --trace-dir).

Grid:
  --vary NAME=FROM:TO:COUNT
               COUNT values of the numeric parameter NAME (x, d, c, i, j, W1A,
               W2A, W1a, W2a, L, p, q, DG, or fAB, fAb, faB, fab for clones)
               from FROM to TO, ends included, each as its field shows it (15
               significant digits: q=0.1:0.7:4 gives 0.1, 0.3, 0.5, 0.7).
               Once or twice; the points are in grid order, the second
               parameter changing fastest, numbered from 0.

Results:
  --final FILE     the Final file (.mrv) to create: its header line, then one
                   record per point. Beside it the table FILE.tsv (the name
                   with .mrv replaced by .tsv): a first line "# morvane-sweep"
                   with the sweep's arguments, a line of column names, then one
                   TAB-separated row per point: point, the varied values
                   (p0, q0, DG0, fAB0... for a varied initial value), T, the
                   final p, q, DG, Fit (fAB, fAb, faB, fab for clones) and
                   converged ("no" when --max-generations cut a run of the
                   point: its state is no equilibrium). Both are written
                   under a temporary name (FILE.part, FILE.tsv.part) and
                   renamed once the last point is in, so that a file under
                   the final name always holds a whole sweep. When the files
                   exist and hold this very sweep whole, nothing is run
                   ("already done"); files of another sweep are refused.
  --trace-dir DIR  also write a Detail file and a Plot file per point in DIR
                   (point-N.gnr, point-N.plo, names that sort in grid order);
                   each record then names its point's Plot file. The folder
                   is part of the sweep (the table's first line names it)
                   and must be new or empty; it is counted first whether it
                   has room for the trace (each point run once without it)
  --map FILE       draw the sweep (.png, .svg or .pdf): over two varied
                   parameters a colour map of one output, over one a diagram
                   of the final p, q, DG (and Fit for diploids; the four
                   frequencies for clones) against the parameter; points not
                   converged carry a cross; axes and colour bar have round
                   ticks
  --map-of NAME    the output drawn: p, q, DG, Fit, T (clones: fAB, fAb, faB,
                   fab, T) [p, or fAB for clones]; a diagram draws T alone or
                   all the others. With --analyse also class (a colour for
                   each pair of classA and classB present, named in a legend,
                   lines between classes), lambdaA, lambdaB, radius (a scale
                   centred on 1), and with --starts stableCount
  --map-size WxH   the size of the figure in pixels at 100 per inch, text at
                   9 pt [800x600]

Analysis:
  --analyse        add to each row, after converged, what the point's end
                   state is, as morvane-analyse classes equilibria: classA
                   (A fixed, a fixed, polymorphic), classB (B fixed, b fixed,
                   polymorphic), or "not converged" in both when a run was cut
                   by --max-generations or no equilibrium lies near the end
                   state; then stability (stable, unstable, neutral), radius,
                   lambdaA and lambdaB of the equilibrium the end state is
                   polished to by Newton's method (empty when there is none;
                   lambdaA and lambdaB only at a boundary). Clones are classed
                   by p = fAB + fAb and q = fAB + faB. The Final file is the
                   same as without it
  --starts K       with --analyse, also stableCount: the number of distinct
                   stable equilibria found at the point's parameters from
                   about K starts over p and q (morvane-analyse equilibria
                   --starts K), 4 to 10000; each point then costs K series

Running:
  --jobs N         run N points at a time on N threads [all cores]; the
                   results do not depend on N
  --shard K/N      run only the points whose number is K modulo N (0 <= K <
                   N), for a job array or several machines; the shards' Final
                   files go back together with --merge
  --resume         go on from the temporary files of an interrupted run of
                   the same sweep (Ctrl-C, a signal, a full disk, a killed
                   job): the points whose record and row are whole are kept,
                   the others run again; the result is byte for byte that
                   of an uninterrupted run
  --extend         when FILE (or its temporary files) holds this sweep on
                   another grid (other FROM, TO or COUNT; the same model,
                   fixed parameters and varied parameters), take over every
                   point whose varied values are the very same and run the
                   others; the result is byte for byte that of a fresh run
                   of the new grid, and replaces FILE once whole. Not with
                   --trace-dir
  --merge OUT SHARD...
                   put the Final files and tables of all N shards of one sweep
                   back into grid order: OUT and its table, byte for byte what
                   the sweep would have written in one process. A shard is
                   given by its Final file or its table (either one); every
                   record is checked against its row and its point's
                   parameters
  --help           show this text

On a terminal a progress line goes to stderr (points done, points per
second, time left); nothing when stderr is not a terminal.

Ctrl-C (SIGINT) or SIGTERM stops the sweep within moments: the points done
are written, those in hand are dropped (--resume runs them again; with
--trace-dir they are finished), the temporary files are kept and it says how
to resume.

One process at a time runs, resumes or merges into a sweep's files: while
one does (it holds FILE.lock locked, which the system lets go when the
process ends however it ends), another is refused at once. The temporary
files are checked to be the very files written, whole, before they are
renamed; a table row counts only as the very text the sweep writes.

Exit status: 0 on success (or already done), 2 when an argument is refused
(nothing is written), 1 when a file cannot be written or read (its message
goes to stderr), 130 after SIGINT and 143 after SIGTERM.
)";
}

} // namespace morvane
