#include "batch/SweepOptions.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <optional>
#include <sched.h>
#include <set>
#include <thread>

#include "files/NumberFormat.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

constexpr std::size_t kMaxCount = 100000;
constexpr std::size_t kMaxPoints = 10000000;
constexpr unsigned kMaxJobs = 1024;

// The options of the sweep itself; every other option goes to each point.
const std::set<std::string> kOutputOptions = {"final",  "jobs",     "map",
                                              "map-of", "map-size", "trace-dir"};

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

// A whole number from lo to hi, or nothing.
std::optional<std::size_t> WholeNumber(const std::string &text, std::size_t lo, std::size_t hi) {
  if (text.empty() || text.size() > 9)
    return std::nullopt;
  std::size_t n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9')
      return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(ch - '0');
  }
  if (n < lo || n > hi)
    return std::nullopt;
  return n;
}

std::vector<std::string> Split(const std::string &text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos)
      return parts;
    start = end + 1;
  }
}

std::string Joined(const std::vector<std::string> &items, const std::string &separator) {
  std::string out;
  for (const std::string &item : items)
    out += (out.empty() ? "" : separator) + item;
  return out;
}

std::vector<std::string> NumericOptions(Model model) {
  std::vector<std::string> names;
  for (const FieldRule *rule : model == Model::Clonal ? ClonalInputFields() : SexualInputFields())
    names.push_back(rule->option);
  return names;
}

std::string ModelName(Model model) {
  switch (model) {
  case Model::HaploidLocal:
    return "haploid-local";
  case Model::HaploidGlobal:
    return "haploid-global";
  case Model::DiploidLocal:
    return "diploid-local";
  case Model::DiploidGlobal:
    return "diploid-global";
  case Model::Clonal:
    return "clonal";
  }
  return "";
}

// The text of a value as the field shows it once it has left the field; for
// a count the truncated integer. Text that is no number stays as it is (the
// point's own parse refuses it).
std::string CanonicalValue(const FieldRule &field, const std::string &text) {
  if (field.kind == FieldTarget::Count) {
    const auto n = ReadTypedCount(text);
    return n ? FormatInteger(*n) : text;
  }
  const auto v = ReadTypedReal(text);
  return v ? RealToText(*v) : text;
}

// The range of a field with constant bounds, as its message would state it.
std::string RangeText(const FieldRule &field) {
  return RealToText(field.lo.constant) + ".." + RealToText(field.hi.constant);
}

SweepAxis ParseAxis(Model model, const std::string &text) {
  const std::string where = "--vary " + text;
  const std::size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0)
    Refuse(where + ": expected NAME=FROM:TO:COUNT");
  SweepAxis axis;
  axis.option = text.substr(0, eq);
  axis.field = RunnerField(model, axis.option);
  if (!axis.field) {
    const Model other = model == Model::Clonal ? Model::HaploidLocal : Model::Clonal;
    if (RunnerField(other, axis.option))
      Refuse(where + ": the " + ModelName(model) + " model has no parameter " + axis.option);
    Refuse(where + ": " + axis.option + " is no numeric parameter (this model has " +
           Joined(NumericOptions(model), ", ") + ")");
  }
  const std::vector<std::string> parts = Split(text.substr(eq + 1), ':');
  if (parts.size() != 3)
    Refuse(where + ": expected NAME=FROM:TO:COUNT");
  // The ends as their field would show them: the grid, and so the table's
  // description of it, then reads back to the same values.
  auto from = ReadTypedReal(parts[0]);
  auto to = ReadTypedReal(parts[1]);
  if (!from || !to)
    Refuse(where + ": FROM and TO must be numbers");
  from = ShownValue(*from);
  to = ShownValue(*to);
  const auto count = WholeNumber(parts[2], 1, kMaxCount);
  if (!count)
    Refuse(where + ": COUNT must be a whole number from 1 to " + std::to_string(kMaxCount));
  if (*count == 1 && RealToText(*from) != RealToText(*to))
    Refuse(where + ": one point needs FROM = TO");

  const FieldRule &field = *axis.field;
  for (std::size_t k = 0; k < *count; ++k) {
    const double v = k == 0            ? *from
                     : k + 1 == *count ? *to
                                       : *from + (*to - *from) * static_cast<double>(k) /
                                                     static_cast<double>(*count - 1);
    axis.values.push_back(RealToText(ShownValue(v)));
    axis.shown.push_back(CanonicalValue(field, axis.values.back()));
  }
  // Bounds that do not move with the state are checked on the ends here; the
  // DG range, which moves with p and q, is checked point by point.
  if (!field.lo.fromState && !field.hi.fromState) {
    for (const std::string &end : {axis.shown.front(), axis.shown.back()}) {
      const double v = *ReadTypedReal(end);
      if (v < field.lo.constant || v > field.hi.constant)
        Refuse(std::string(field.message) + ": " + where + " leaves " + RangeText(field));
    }
  }
  axis.given = axis.option + "=" + axis.values.front() + ":" + axis.values.back() + ":" +
              std::to_string(*count);
  return axis;
}

// The plan of the options that are not the sweep's outputs.
// --shard K/N into the plan; given at most once.
void ReadShard(const std::string &text, SweepPlan &plan) {
  const std::vector<std::string> parts = Split(text, '/');
  const auto n = parts.size() == 2 ? WholeNumber(parts[1], 1, kMaxPoints) : std::nullopt;
  const auto k = n ? WholeNumber(parts[0], 0, kMaxPoints) : std::nullopt;
  if (!n || !k)
    Refuse("--shard needs K/N with whole numbers, N from 1 (got \"" + text + "\")");
  if (*k >= *n)
    Refuse("--shard " + text + ": K must be below N (shards 0 to " + std::to_string(*n - 1) + ")");
  plan.shardIndex = *k;
  plan.shardCount = *n;
}

// The sweep's own options (--vary, --shard) taken out of the plan's; the
// others, morvane-run's, go to `base`. Returns the --vary texts.
std::vector<std::string> SeparateSweepOptions(const std::vector<CommandOption> &options,
                                              SweepPlan &plan,
                                              std::vector<CommandOption> &base) {
  std::vector<std::string> axisTexts;
  bool shardGiven = false;
  for (const CommandOption &option : options) {
    if (option.name == "vary") {
      axisTexts.push_back(*option.value);
    } else if (option.name == "shard") {
      if (shardGiven)
        Refuse("--shard is given twice");
      shardGiven = true;
      ReadShard(*option.value, plan);
    } else if (option.name == "detail" || option.name == "plot") {
      Refuse("--" + option.name +
             ": a sweep writes no Detail or Plot file by default; --trace-dir DIR writes them "
             "for every point");
    } else {
      base.push_back(option);
    }
  }
  return axisTexts;
}

void ReadAxes(const std::vector<std::string> &axisTexts, SweepPlan &plan) {
  if (axisTexts.empty())
    Refuse("--vary NAME=FROM:TO:COUNT is required (see --help)");
  if (axisTexts.size() > 2)
    Refuse("at most two --vary may be given");
  for (const std::string &text : axisTexts) {
    plan.axes.push_back(ParseAxis(plan.model, text));
    if (plan.axes.size() == 2 && plan.axes[0].option == plan.axes[1].option)
      Refuse("--vary " + plan.axes[0].option + " is given twice");
  }
  if (plan.Points() > kMaxPoints)
    Refuse("the sweep has " + std::to_string(plan.Points()) + " points; at most " +
           std::to_string(kMaxPoints) + " are allowed (split it)");
}

// The options common to every point into the plan, and its canonical form:
// the model, the other options in the order of their names (repeated ones in
// the order given), the ranges.
void ReadCommonOptions(const std::vector<CommandOption> &base, SweepPlan &plan) {
  std::vector<std::pair<std::string, std::string>> canonical;
  for (const CommandOption &option : base) {
    for (const SweepAxis &axis : plan.axes)
      if (option.name == axis.option)
        Refuse("--" + option.name + " cannot be given with --vary " + option.name);
    plan.base.push_back(option);
    if (option.name == "model")
      continue;
    std::string value = option.value.value_or("");
    if (const FieldRule *field = RunnerField(plan.model, option.name))
      value = CanonicalValue(*field, value);
    else if (option.name == "disturb")
      value.erase(std::remove_if(value.begin(), value.end(),
                                 [](char ch) { return ch == ' ' || ch == '\t'; }),
                  value.end());
    canonical.emplace_back(option.name, option.value ? " " + value : "");
  }
  std::stable_sort(canonical.begin(), canonical.end(),
                   [](const auto &a, const auto &b) { return a.first < b.first; });
  plan.signature = "--model " + ModelName(plan.model);
  for (const auto &[name, value] : canonical)
    plan.signature += " --" + name + value;
  for (const SweepAxis &axis : plan.axes)
    plan.signature += " --vary " + axis.given;
}

SweepPlan PlanOf(const std::vector<CommandOption> &options) {
  SweepPlan plan;
  std::vector<CommandOption> base;
  const std::vector<std::string> axisTexts = SeparateSweepOptions(options, plan, base);
  const auto model = std::find_if(base.begin(), base.end(),
                                  [](const CommandOption &o) { return o.name == "model"; });
  if (model == base.end())
    Refuse("--model is required (see --help)");
  plan.model = ParseModelName(model->value.value_or(""));
  ReadAxes(axisTexts, plan);
  ReadCommonOptions(base, plan);
  return plan;
}

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
    const std::vector<std::string> parts = Split(it->second, 'x');
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
    Refuse(what + " " + name + " names a table: give the Final file (.mrv); its table is written "
                               "beside it");
}

// A result file of a merge, which writes new files only.
void CheckNewFile(const std::string &name, const std::string &what,
                  const std::vector<std::string> &others) {
  CheckOutputName(name, what, others);
  if (FileExists(name))
    Refuse(name + " exists: morvane-sweep writes new files only (remove it or choose another "
                  "name)");
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
  const double generations = static_cast<double>(runs) *
                             static_cast<double>(maxGenerations.value_or(1));
  const double estimate = points * (kPointBytes + generations * kGenerationBytes);
  std::error_code error;
  const std::filesystem::path folder = Where(o.traceDir);
  const std::filesystem::space_info space =
      std::filesystem::space(FileExists(o.traceDir) ? folder : folder.parent_path(), error);
  if (!error && estimate > static_cast<double>(space.available)) {
    char text[200];
    std::snprintf(text, sizeof text, "about %.0f MB%s, and its file system has %.0f MB free",
                  estimate / 1e6, maxGenerations ? "" : " at the least",
                  static_cast<double>(space.available) / 1e6);
    Refuse("--trace-dir " + o.traceDir + ": the trace files would take " + text);
  }
}

} // namespace

void CheckSweepMap(SweepOptions &o) {
  if (o.mapFile.empty())
    return;
  const std::vector<std::string> outputs = SweepOutputs(o.plan.model);
  if (o.mapOf.empty())
    o.mapOf = outputs.front();
  if (std::find(outputs.begin(), outputs.end(), o.mapOf) == outputs.end())
    Refuse("--map-of must be one of " + Joined(outputs, ", ") + " for this model (got \"" +
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
  ParseMapOptions(o, given);
  CheckFinalName(o.finalFile, "--merge");
  CheckNewFile(o.finalFile, "--merge", {});
  CheckNewFile(o.tableFile, "--merge", {o.finalFile});
  if (!o.mapFile.empty())
    CheckNewFile(o.mapFile, "--map", {o.finalFile, o.tableFile});
  return o;
}

} // namespace

std::size_t SweepPlan::Points() const {
  std::size_t n = 1;
  for (const SweepAxis &axis : axes)
    n *= axis.values.size();
  return n;
}

std::array<std::size_t, 2> SweepPlan::Coordinates(std::size_t point) const {
  std::array<std::size_t, 2> at{};
  for (std::size_t a = axes.size(); a-- > 0;) {
    at[a] = point % axes[a].values.size();
    point /= axes[a].values.size();
  }
  return at;
}

std::vector<CommandOption> SweepPlan::PointArgs(std::size_t point) const {
  std::vector<CommandOption> args;
  args.reserve(base.size() + axes.size());
  args = base;
  const std::array<std::size_t, 2> at = Coordinates(point);
  for (std::size_t a = 0; a < axes.size(); ++a)
    args.push_back({axes[a].option, axes[a].values[at[a]]});
  return args;
}

std::string SweepPlan::Description() const {
  if (shardCount == 1)
    return signature;
  return signature + " --shard " + std::to_string(shardIndex) + "/" + std::to_string(shardCount);
}

bool HasEnding(std::string name, const std::string &ending) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return name.size() > ending.size() &&
         name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

std::string SweepTableName(const std::string &finalFile) {
  if (HasEnding(finalFile, ".mrv"))
    return finalFile.substr(0, finalFile.size() - 4) + ".tsv";
  return finalFile + ".tsv";
}

std::vector<std::string> SweepOutputs(Model model) {
  if (model == Model::Clonal)
    return {"fAB", "fAb", "faB", "fab", "T"};
  return {"p", "q", "DG", "Fit", "T"};
}

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
  for (CommandOption &option : SplitCommandLine(args, {"ess", "resume"})) {
    if (option.name == "resume") {
      if (o.resume)
        Refuse("--resume is given twice");
      o.resume = true;
    } else if (kOutputOptions.count(option.name) == 0) {
      planOptions.push_back(std::move(option));
    } else if (!given.emplace(option.name, *option.value).second) {
      Refuse("--" + option.name + " is given twice");
    }
  }
  o.plan = PlanOf(planOptions);

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

SweepPlan ParseSweepDescription(const std::string &description) {
  std::vector<std::string> args;
  for (const std::string &token : Split(description, ' '))
    if (!token.empty())
      args.push_back(token);
  std::vector<CommandOption> options = SplitCommandLine(args, {"ess"});
  for (const CommandOption &option : options)
    if (kOutputOptions.count(option.name))
      Refuse("--" + option.name + " has no place in a sweep's description");
  return PlanOf(options);
}

namespace {

// A point's refusal: the message, then where the point lies.
[[noreturn]] void RefusePoint(const SweepPlan &plan, std::size_t point, const UsageError &e) {
  std::string at;
  const std::array<std::size_t, 2> c = plan.Coordinates(point);
  for (std::size_t a = 0; a < plan.axes.size(); ++a)
    at += (a ? ", " : "") + plan.axes[a].option + "=" + plan.axes[a].shown[c[a]];
  throw UsageError(std::string(e.what()) + " at " + at + " (point " + std::to_string(point) + ")");
}

std::vector<VariedOption> AxisOptions(const SweepPlan &plan) {
  std::vector<VariedOption> varied;
  for (const SweepAxis &axis : plan.axes)
    varied.push_back({axis.option, axis.values});
  return varied;
}

VariedRunnerOptions FirstPointOptions(const SweepPlan &plan) {
  try {
    return VariedRunnerOptions(plan.PointArgs(0), RunnerFiles::None, AxisOptions(plan));
  } catch (const UsageError &e) {
    RefusePoint(plan, 0, e);
  }
}

} // namespace

RunnerOptions SweepPointOptions(const SweepPlan &plan, std::size_t point) {
  try {
    return ParseRunnerCommandOptions(plan.PointArgs(point), RunnerFiles::None);
  } catch (const UsageError &e) {
    RefusePoint(plan, point, e);
  }
}

SweepPoints::SweepPoints(const SweepPlan &plan) : plan_(plan), parsed_(FirstPointOptions(plan)) {}

void SweepPoints::Fill(std::size_t point, RunnerOptions &options) const {
  // Everything but the varied values is the same at every point, and so
  // accepted as it was at point 0: only what reads those values can refuse.
  const std::array<std::size_t, 2> at = plan_.Coordinates(point);
  try {
    parsed_.Vary(at.data(), options);
  } catch (const UsageError &e) {
    RefusePoint(plan_, point, e);
  }
}

RunnerOptions SweepPoints::Options(std::size_t point) const {
  RunnerOptions options = First();
  Fill(point, options);
  return options;
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
                   each record then names its point's Plot file
  --map FILE       draw the sweep (.png, .svg or .pdf): over two varied
                   parameters a colour map of one output, over one a diagram
                   of the final p, q, DG (and Fit for diploids; the four
                   frequencies for clones) against the parameter; points not
                   converged carry a cross; axes and colour bar have round
                   ticks
  --map-of NAME    the output drawn: p, q, DG, Fit, T (clones: fAB, fAb, faB,
                   fab, T) [p, or fAB for clones]; a diagram draws T alone or
                   all the others
  --map-size WxH   the size of the figure in pixels at 100 per inch, text at
                   9 pt [800x600]

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

Ctrl-C (SIGINT) or SIGTERM finishes the points in hand, writes them, keeps
the temporary files and says how to resume.

Exit status: 0 on success (or already done), 2 when an argument is refused
(nothing is written), 1 when a file cannot be written or read (its message
goes to stderr), 130 after SIGINT and 143 after SIGTERM.
)";
}

} // namespace morvane
