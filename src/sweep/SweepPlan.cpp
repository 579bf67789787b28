#include "sweep/SweepPlan.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "analysis/AnalysisTables.h"
#include "files/NumberFormat.h"
#include "sweep/SweepNames.h"

namespace morvane {

namespace {

constexpr std::size_t kMaxCount = 100000;
constexpr std::size_t kMaxPoints = 10000000;

// The options of the sweep itself; every other option goes to each point.
const std::set<std::string> kOutputOptions = {"final",  "jobs",     "map",
                                              "map-of", "map-size", "trace-dir"};

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

std::vector<std::string> NumericOptions(Model model) {
  std::vector<std::string> names;
  for (const FieldRule *rule : model == Model::Clonal ? ClonalInputFields() : SexualInputFields())
    names.push_back(rule->option);
  return names;
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
           JoinedText(NumericOptions(model), ", ") + ")");
  }
  const std::vector<std::string> parts = SplitText(text.substr(eq + 1), ':');
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
  const std::vector<std::string> parts = SplitText(text, '/');
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
                                              SweepPlan &plan, std::vector<CommandOption> &base) {
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
    } else if (option.name == "analyse") {
      if (plan.analyse)
        Refuse("--analyse is given twice");
      plan.analyse = true;
    } else if (option.name == "starts") {
      if (plan.starts)
        Refuse("--starts is given twice");
      const auto k = WholeNumber(option.value.value_or(""), kMinStarts, kMaxStarts);
      if (!k)
        Refuse("--starts needs a whole number from " + std::to_string(kMinStarts) + " to " +
               std::to_string(kMaxStarts));
      plan.starts = static_cast<int>(*k);
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

} // namespace

std::string AnalysisWords(const SweepPlan &plan) {
  return std::string(plan.analyse ? " --analyse" : "") +
         (plan.starts ? " --starts " + std::to_string(plan.starts) : "");
}

bool SameSweepButAnalysis(const SweepPlan &a, const SweepPlan &b) {
  const std::string wa = AnalysisWords(a), wb = AnalysisWords(b);
  return wa != wb &&
         a.signature.substr(0, a.signature.size() - wa.size()) ==
             b.signature.substr(0, b.signature.size() - wb.size()) &&
         a.traceDir == b.traceDir && a.shardIndex == b.shardIndex && a.shardCount == b.shardCount;
}

bool IsSweepOutputOption(const std::string &name) { return kOutputOptions.count(name) != 0; }

SweepPlan PlanOfOptions(const std::vector<CommandOption> &options) {
  SweepPlan plan;
  std::vector<CommandOption> base;
  const std::vector<std::string> axisTexts = SeparateSweepOptions(options, plan, base);
  const auto model = std::find_if(base.begin(), base.end(),
                                  [](const CommandOption &o) { return o.name == "model"; });
  if (model == base.end())
    Refuse("--model is required (see --help)");
  plan.model = ParseModelName(model->value.value_or(""));
  if (plan.starts && !plan.analyse)
    Refuse("--starts counts the stable equilibria of an analysed sweep: give --analyse too");
  ReadAxes(axisTexts, plan);
  ReadCommonOptions(base, plan);
  plan.signature += AnalysisWords(plan);
  return plan;
}

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

namespace {

// A folder's name as one word of a description: '%', blanks and line ends
// as %XX.
std::string DescriptionWord(const std::string &text) {
  std::string word;
  for (char ch : text) {
    if (ch == '%' || ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r') {
      char code[4];
      std::snprintf(code, sizeof code, "%%%02X", static_cast<unsigned char>(ch));
      word += code;
    } else {
      word += ch;
    }
  }
  return word;
}

std::string WordText(const std::string &word) {
  std::string text;
  for (std::size_t k = 0; k < word.size(); ++k) {
    const auto hex = [&](std::size_t at) {
      return std::isxdigit(static_cast<unsigned char>(word[at]));
    };
    if (word[k] == '%' && k + 2 < word.size() && hex(k + 1) && hex(k + 2)) {
      text += static_cast<char>(std::stoi(word.substr(k + 1, 2), nullptr, 16));
      k += 2;
    } else {
      text += word[k];
    }
  }
  return text;
}

} // namespace

std::string SweepPlan::Identity() const {
  return traceDir.empty() ? signature : signature + " --trace-dir " + DescriptionWord(traceDir);
}

std::string SweepPlan::Description() const {
  if (shardCount == 1)
    return Identity();
  return Identity() + " --shard " + std::to_string(shardIndex) + "/" + std::to_string(shardCount);
}

std::vector<std::string> SweepOutputs(Model model) {
  if (model == Model::Clonal)
    return {"fAB", "fAb", "faB", "fab", "T"};
  return {"p", "q", "DG", "Fit", "T"};
}

std::vector<std::string> SweepMapOutputs(const SweepPlan &plan) {
  std::vector<std::string> outputs = SweepOutputs(plan.model);
  if (plan.analyse)
    for (const char *o : {"class", "lambdaA", "lambdaB", "radius"})
      outputs.push_back(o);
  if (plan.starts)
    outputs.push_back("stableCount");
  return outputs;
}

SweepPlan ParseSweepDescription(const std::string &description) {
  std::vector<std::string> args;
  for (const std::string &token : SplitText(description, ' '))
    if (!token.empty())
      args.push_back(token);
  std::vector<CommandOption> options;
  std::optional<std::string> traceDir;
  for (CommandOption &option : SplitCommandLine(args, {"ess", "analyse"})) {
    if (option.name == "trace-dir" && !traceDir && option.value && !option.value->empty())
      traceDir = WordText(*option.value);
    else if (kOutputOptions.count(option.name))
      Refuse("--" + option.name + " has no place in a sweep's description");
    else
      options.push_back(std::move(option));
  }
  SweepPlan plan = PlanOfOptions(options);
  plan.traceDir = traceDir.value_or("");
  return plan;
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

std::string SweepTableHeader(const SweepPlan &plan) {
  // A varied initial value that is also an output (p, q, DG, the clone
  // frequencies) is told apart by a 0, as the input window names DG0.
  const std::vector<std::string> outputs = SweepOutputs(plan.model);
  std::string header = "point";
  for (const SweepAxis &axis : plan.axes) {
    const bool output = std::find(outputs.begin(), outputs.end(), axis.option) != outputs.end();
    header += "\t" + axis.option + (output ? "0" : "");
  }
  header += "\tT";
  for (const std::string &output : outputs)
    if (output != "T")
      header += "\t" + output;
  header += "\tconverged";
  if (plan.analyse)
    header += analysis::OutcomeHeader(plan.starts > 0);
  return header + "\n";
}

std::size_t SweepTableWidth(const SweepPlan &plan) {
  const std::string header = SweepTableHeader(plan);
  return 1 + static_cast<std::size_t>(std::count(header.begin(), header.end(), '\t'));
}

std::string TableStart(const SweepPlan &plan) {
  return kSweepTableMark + plan.Description() + "\n" + SweepTableHeader(plan);
}

SweepPlan PlanOfTable(const std::vector<std::string> &lines, const std::string &tableName) {
  if (lines.size() < 2 || !StartsWith(lines[0], kSweepTableMark))
    Refuse(tableName + " is not the table of a sweep");
  if (lines[0].size() >= 2 && lines[0].compare(lines[0].size() - 2, 2, "\r\n") == 0)
    Refuse(tableName + " is a sweep's table whose lines end with CR LF (was it saved by another "
                       "program?): a table's lines end with LF alone");
  SweepPlan plan;
  try {
    plan = ParseSweepDescription(
        lines[0].substr(kSweepTableMark.size(), lines[0].size() - kSweepTableMark.size() - 1));
  } catch (const UsageError &e) {
    Refuse(tableName + ": its sweep is refused: " + e.what());
  }
  if (lines[1] != SweepTableHeader(plan))
    Refuse(tableName + ": its column names do not match its sweep");
  return plan;
}

SweepPoints CheckSweepPoints(const SweepPlan &plan, unsigned jobs) {
  SweepPoints points(plan); // point 0, parsed whole
  const std::size_t n = plan.Points();
  constexpr std::size_t kChunk = 256; // points claimed at a time
  std::atomic<std::size_t> next{1};
  std::atomic<std::size_t> firstRefused{n};
  std::mutex m;
  std::string message;
  auto check = [&] {
    RunnerOptions options = points.First();
    // Points past a refused one need no check: the first refused one in grid
    // order is reported, whichever thread finds it.
    for (std::size_t from; (from = next.fetch_add(kChunk)) < n && from < firstRefused;) {
      for (std::size_t point = from; point < std::min(n, from + kChunk); ++point) {
        try {
          points.Fill(point, options);
        } catch (const UsageError &e) {
          std::lock_guard<std::mutex> lock(m);
          if (point < firstRefused) {
            firstRefused = point;
            message = e.what();
          }
          break;
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < std::min<std::size_t>(jobs, n / kChunk + 1); ++t)
    threads.emplace_back(check);
  check();
  for (std::thread &thread : threads)
    thread.join();
  if (firstRefused < n)
    throw UsageError(message);
  return points;
}

} // namespace morvane
