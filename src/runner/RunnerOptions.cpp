#include "runner/RunnerOptions.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <unordered_map>

#include "engine/CloneFrequencies.h"
#include "engine/FieldRules.h"
#include "engine/InitialState.h"
#include "engine/TradeOff.h"
#include "files/FinalFile.h"
#include "files/PlotFile.h"
#include "files/TextFile.h"

namespace morvane {

namespace {

// What an option name stands for, found with one lookup: a sweep parses the
// options of every one of its points.
struct OptionKind {
  bool other = false;                // a value that is no field's: --model, --trade-off ...
  bool file = false;                 // --final, --detail, --plot
  const FieldRule *sexual = nullptr; // its field in the sexual input window
  const FieldRule *clonal = nullptr; // its field in the clonal input window
};

const OptionKind *KindOf(std::string_view name) {
  static const std::unordered_map<std::string_view, OptionKind> kinds = [] {
    std::unordered_map<std::string_view, OptionKind> k;
    for (const char *other : {"model", "trade-off", "max-generations", "disturb"})
      k[other].other = true;
    for (const char *file : {"final", "detail", "plot"})
      k[file].file = true;
    for (const FieldRule *rule : SexualInputFields())
      k[rule->option].sexual = rule;
    for (const FieldRule *rule : ClonalInputFields())
      k[rule->option].clonal = rule;
    return k;
  }();
  const auto it = kinds.find(name);
  return it == kinds.end() ? nullptr : &it->second;
}

const FieldRule *FieldOfOption(bool clonal, std::string_view name) {
  const OptionKind *kind = KindOf(name);
  return kind ? (clonal ? kind->clonal : kind->sexual) : nullptr;
}

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

// The value options of a command line, each given once, by name: a handful,
// so a search through them costs less than an index (a sweep parses the
// options of every point). The names and values stay those of the options.
class GivenOptions {
public:
  // False when the name is already given.
  bool Add(const std::string &name, const std::string &value) {
    if (Find(name))
      return false;
    items_.emplace_back(name, &value);
    return true;
  }
  const std::string *Find(std::string_view name) const {
    for (const auto &[itemName, value] : items_)
      if (itemName == name)
        return value;
    return nullptr;
  }
  std::size_t count(std::string_view name) const { return Find(name) ? 1 : 0; }
  const std::string &at(std::string_view name) const { return *Find(name); }

private:
  std::vector<std::pair<std::string_view, const std::string *>> items_;
};

// The given options with the values of some of them replaced: the fields of
// a sweep's point, whose varied values change from point to point.
class FieldTexts {
public:
  explicit FieldTexts(const GivenOptions &given, const std::vector<std::string> *names = nullptr,
                      const std::string *const *values = nullptr)
      : given_(given), names_(names), values_(values) {}
  const std::string *Find(std::string_view name) const {
    for (std::size_t k = 0; names_ && k < names_->size(); ++k)
      if ((*names_)[k] == name)
        return values_[k];
    return given_.Find(name);
  }
  std::size_t count(std::string_view name) const { return Find(name) ? 1 : 0; }
  const std::string &at(std::string_view name) const { return *Find(name); }

private:
  const GivenOptions &given_;
  const std::vector<std::string> *names_;
  const std::string *const *values_;
};

// A value typed for one of the program's fields, checked by that field's
// rule: what the field would have replaced is refused with the field's
// message. The value goes into s, whose state bounds (the DG and Fit ranges)
// the caller has set.
void CheckedField(const FieldRule &rule, const std::string &text, SimState &s) {
  if (!StoreFieldEntry(rule, text, '.', s))
    Refuse(rule.message);
}

// The four clone frequencies as given (those not given keep the initial
// texts of their fields): the values the clonal input window holds at Go
// when they are typed into its fields, 15 significant digits each, kept when
// they sum to 1 within that rounding, otherwise divided by their sum and
// rounded again. A sum of 0 is refused.
std::array<double, 4> SummedToOne(const SimState &s) {
  std::array<double, 4> f;
  for (int k = 0; k < 4; ++k)
    f[k] = s.X[k + 1];
  if (GivenCloneFrequencies(f.data()) == CloneSum::Zero)
    Refuse("Sum = 0, very funny!");
  return f;
}

bool IsCloneFrequency(const FieldRule *rule) {
  const std::vector<const FieldRule *> &clones = CloneFrequencyFields();
  return std::find(clones.begin(), clones.end(), rule) != clones.end();
}

TradeOffRule ParseTradeOff(const std::string &name) {
  if (name == "linear")
    return TradeOffRule::Linear;
  if (name == "convex")
    return TradeOffRule::Convex;
  if (name == "concave")
    return TradeOffRule::Concave;
  Refuse("--trade-off must be one of linear, convex, concave (got \"" + name + "\")");
}

std::uint32_t ParseMaxGenerations(const std::string &text) {
  const std::string message = "--max-generations needs a whole number from 1 to 4294967295";
  if (text.empty() || text.size() > 10)
    Refuse(message);
  std::uint64_t n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9')
      Refuse(message);
    n = n * 10 + static_cast<std::uint64_t>(ch - '0');
  }
  if (n < 1 || n > 0xFFFFFFFFu)
    Refuse(message);
  return static_cast<std::uint32_t>(n);
}

// "p=0.3,q=0.6,DG=0" into key/value pairs; each key once.
std::map<std::string, std::string> SplitDisturbance(const std::string &text,
                                                    const std::string &where) {
  std::map<std::string, std::string> fields;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = text.find(',', start);
    const std::string item =
        text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    const std::size_t eq = item.find('=');
    if (eq == std::string::npos || eq == 0)
      Refuse(where + ": expected key=value items separated by commas, got \"" + item + "\"");
    const std::string key = item.substr(0, eq);
    if (!fields.emplace(key, item.substr(eq + 1)).second)
      Refuse(where + ": " + key + " is given twice");
    if (comma == std::string::npos)
      break;
    start = comma + 1;
  }
  return fields;
}

const std::string &Required(const std::map<std::string, std::string> &fields,
                            const std::string &key, const std::string &where) {
  const auto it = fields.find(key);
  if (it == fields.end())
    Refuse(where + ": " + key + "= is missing");
  return it->second;
}

void RefuseUnknownKeys(const std::map<std::string, std::string> &fields,
                       const std::set<std::string> &allowed, const std::string &where) {
  for (const auto &[key, value] : fields) {
    if (allowed.count(key) == 0) {
      std::string list;
      for (const std::string &a : allowed)
        list += (list.empty() ? "" : ", ") + a;
      Refuse(where + ": unknown key " + key + " (this model takes " + list + ")");
    }
  }
}

// One --disturb step with the rules of the model's disturbance window: p and
// q in 0..1, DG in the range of the new p and q ("DG out of Range"), Fit from
// the minimum of the new p up to 1, clone frequencies in 0..1 brought to
// sum 1 as that window's Go reads them.
Disturbance ParseDisturbance(Model model, const std::string &text, std::size_t number) {
  const std::string where = "--disturb " + std::to_string(number);
  const std::map<std::string, std::string> fields = SplitDisturbance(text, where);
  Disturbance step;
  SimState s;
  if (model == Model::Clonal) {
    RefuseUnknownKeys(fields, {"fAB", "fAb", "faB", "fab"}, where);
    for (const FieldRule *rule : CloneFrequencyFields())
      CheckedField(*rule, Required(fields, rule->option, where), s);
    step.clones = SummedToOne(s);
    return step;
  }
  if (IsDiploid(model))
    RefuseUnknownKeys(fields, {"p", "q", "DG", "Fit"}, where);
  else
    RefuseUnknownKeys(fields, {"p", "q", "DG"}, where);
  CheckedField(rules::FreqA, Required(fields, "p", where), s);
  CheckedField(rules::FreqB, Required(fields, "q", where), s);
  step.p = s.FreqA;
  step.q = s.FreqB;
  const bool hasDG = fields.count("DG") != 0;
  const bool hasFit = fields.count("Fit") != 0;
  if (hasDG && hasFit)
    Refuse(where + ": give either DG or Fit, not both");
  if (!hasDG && !hasFit)
    Refuse(where + (IsDiploid(model) ? ": DG= or Fit= is missing" : ": DG= is missing"));
  if (hasDG) {
    StoreDGRange(s);
    CheckedField(rules::NewDG, fields.at("DG"), s);
    step.dg = s.DG;
  } else {
    s.FitMin = ComputeFitMin(s.FreqA);
    CheckedField(rules::NewFit, fields.at("Fit"), s);
    step.fit = s.Fit;
  }
  return step;
}

} // namespace

Model ParseModelName(const std::string &name) {
  if (name == "haploid-local")
    return Model::HaploidLocal;
  if (name == "haploid-global")
    return Model::HaploidGlobal;
  if (name == "diploid-local")
    return Model::DiploidLocal;
  if (name == "diploid-global")
    return Model::DiploidGlobal;
  if (name == "clonal")
    return Model::Clonal;
  Refuse("--model must be one of haploid-local, haploid-global, diploid-local, "
         "diploid-global, clonal (got \"" +
         name + "\")");
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

const FieldRule *RunnerField(Model model, const std::string &option) {
  return FieldOfOption(model == Model::Clonal, option);
}

std::vector<CommandOption> SplitCommandLine(const std::vector<std::string> &args,
                                            const std::vector<std::string> &flags) {
  std::vector<CommandOption> options;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string &arg = args[k];
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0)
      Refuse("unexpected argument \"" + arg + "\" (options start with --; see --help)");
    const std::size_t eq = arg.find('=');
    CommandOption option{arg.substr(2, eq == std::string::npos ? std::string::npos : eq - 2), {}};
    const bool flag = std::find(flags.begin(), flags.end(), option.name) != flags.end();
    if (flag) {
      if (eq != std::string::npos)
        Refuse("--" + option.name + " takes no value");
    } else if (eq != std::string::npos) {
      option.value = arg.substr(eq + 1);
    } else {
      if (k + 1 >= args.size())
        Refuse("--" + option.name + " needs a value");
      option.value = args[++k];
    }
    options.push_back(std::move(option));
  }
  return options;
}

RunnerOptions ParseRunnerOptions(const std::vector<std::string> &args, RunnerFiles files) {
  // --help anywhere wins over every other check.
  for (const std::string &arg : args)
    if (arg == "--help") {
      RunnerOptions o;
      o.help = true;
      return o;
    }
  return ParseRunnerCommandOptions(SplitCommandLine(args, {"ess"}), files);
}

namespace {

// What a command line gives, each value option once, sorted by kind; the
// model's own checks come after.
struct GatheredOptions {
  GivenOptions given;
  std::vector<std::string> disturbTexts;
  bool ess = false;
  // The first field option that the sexual models, and the first that the
  // clonal model, do not have: refused once the model is known.
  const std::string *notSexual = nullptr;
  const std::string *notClonal = nullptr;
};

GatheredOptions Gather(const std::vector<CommandOption> &options, bool withFiles) {
  GatheredOptions g;
  for (const CommandOption &option : options) {
    const std::string &name = option.name;
    if (name == "ess") {
      g.ess = true;
      continue;
    }
    const OptionKind *kind = KindOf(name);
    if (!kind || !(kind->other || kind->sexual || kind->clonal || (withFiles && kind->file)))
      Refuse("unknown option --" + name + " (see --help)");
    if (kind->clonal && !kind->sexual && !g.notSexual)
      g.notSexual = &name;
    if (kind->sexual && !kind->clonal && !g.notClonal)
      g.notClonal = &name;
    if (name == "disturb") {
      g.disturbTexts.push_back(*option.value);
    } else if (!g.given.Add(name, *option.value)) {
      Refuse("--" + name + " is given twice");
    }
  }
  return g;
}

Model CheckedModel(const GatheredOptions &g, bool withFiles) {
  if (g.given.count("model") == 0)
    Refuse("--model is required (see --help)");
  const Model model = ParseModelName(g.given.at("model"));
  const bool clonal = model == Model::Clonal;
  if (clonal && g.notClonal)
    Refuse("--" + *g.notClonal +
           " is not an option of the clonal model (use --fAB --fAb --faB --fab)");
  if (!clonal && g.notSexual)
    Refuse("--" + *g.notSexual + " is an option of the clonal model only (use --p --q --DG)");
  if (withFiles && g.given.count("final") == 0)
    Refuse("--final is required (see --help)");
  if (withFiles && g.given.count("detail") == 0)
    Refuse("--detail is required (see --help)");
  return model;
}

// A reading of the fields that starts from the fields as another reading
// left them (`start`) and reads again, in the window's order, only those
// that the changed options touch: the changed ones, DG when p, q or DG
// changes (its range moves with them), every clone frequency when one
// changes (each brings the four to sum 1). Every other field's store depends
// on its own text alone, so it is what it was.
struct FieldsReplay {
  SimState start;
  std::vector<const FieldRule *> touched;
  bool clones = false;

  // The stores of a varied field whose store depends on its text alone
  // (bounds that do not move with the state; not DG, not a clone
  // frequency), worked out once for each of its texts: the value and
  // whether the field accepts it. A text it refuses is read again, for its
  // message.
  struct KnownStores {
    const FieldRule *rule;
    std::size_t varied; // which varied option
    std::vector<double> real;
    std::vector<std::uint16_t> count;
    std::vector<char> accepted;
  };
  std::vector<KnownStores> known;

  // The store of the rule at the varied values `at`, when known and accepted.
  const KnownStores *KnownStore(const FieldRule *rule, const std::size_t *at) const {
    for (const KnownStores &k : known)
      if (k.rule == rule && k.accepted[at[k.varied]])
        return &k;
    return nullptr;
  }

  FieldsReplay(Model model, const std::vector<std::string> &changed) {
    bool dg = false;
    for (const std::string &name : changed) {
      dg = dg || name == "p" || name == "q" || name == "DG";
      clones = clones || IsCloneFrequency(FieldOfOption(true, name));
    }
    for (const FieldRule *rule : model == Model::Clonal ? ClonalInputFields() : SexualInputFields())
      if (rule == &rules::DG ? dg
          : IsCloneFrequency(rule)
              ? clones
              : std::find(changed.begin(), changed.end(), rule->option) != changed.end())
        touched.push_back(rule);
  }
};

// The state of the fields before the input window's Go reads them: the
// clone frequencies as its activation leaves them.
const SimState &FieldsBeforeReading() {
  static const SimState s = [] {
    SimState fresh;
    ResetCloneFrequencies(fresh);
    return fresh;
  }();
  return s;
}

// The fields in the order of the input window's table, read as its Go reads
// them. An option not given takes the value its field starts with, which is
// also the value the field falls back to when its text is no number. With a
// replay, only the fields it touches are read again, each from the value it
// had before the first reading. The fields' state is left in `fields`.
void ReadFields(const FieldTexts &given, RunnerOptions &o, SimState &fields,
                const FieldsReplay *replay = nullptr, const std::size_t *at = nullptr) {
  const bool clonal = o.model == Model::Clonal;
  const SimState &before = FieldsBeforeReading();
  SimState &s = fields;
  s = replay ? replay->start : before;
  // The clone frequencies start as the window's activation leaves them; the
  // given ones replace their values and the four go through the sum rule
  // together once every field is read.
  if (replay && replay->clones)
    ResetCloneFrequencies(s);
  const std::vector<const FieldRule *> &order = replay   ? replay->touched
                                                : clonal ? ClonalInputFields()
                                                         : SexualInputFields();
  for (const FieldRule *rule : order) {
    if (rule == &rules::DG)
      StoreDGRange(s);
    // The field's value before its first reading (the targets are reached
    // through non-const accessors, only read here).
    SimState &unread = const_cast<SimState &>(before);
    if (replay && rule->kind == FieldTarget::Real)
      rule->real(s) = rule->real(unread);
    else if (replay)
      rule->count(s) = rule->count(unread);
    if (const FieldsReplay::KnownStores *known = replay ? replay->KnownStore(rule, at) : nullptr) {
      const std::size_t k = at[known->varied];
      if (rule->kind == FieldTarget::Real)
        rule->real(s) = known->real[k];
      else
        rule->count(s) = known->count[k];
      continue;
    }
    const std::string *value = given.Find(rule->option);
    if (IsCloneFrequency(rule)) {
      if (value)
        CheckedField(*rule, *value, s);
    } else if (value) {
      CheckedField(*rule, *value, s);
    } else {
      StoreFieldEntry(*rule, "", '.', s);
    }
  }
  o.params = s.Params();
  if (clonal) {
    // Clone frequencies not read again are those o already holds.
    if (!replay || replay->clones)
      o.start.Clones = SummedToOne(s);
  } else {
    o.start = StartValues{s.FreqA, s.FreqB, s.DG, o.start.Clones};
  }
}

// Trade-off and ESS, as their buttons compute the survivals; the run then
// takes them as the fields show them.
void ReadTradeOffAndEss(const FieldTexts &given, bool essGiven, RunnerOptions &o) {
  Parameters &p = o.params;
  if (given.count("trade-off")) {
    o.tradeOff = ParseTradeOff(given.at("trade-off"));
    if (given.count("W2A") || given.count("W2a"))
      Refuse("--W2A and --W2a are computed under a trade-off and cannot be given with "
             "--trade-off");
  }
  if (o.tradeOff != TradeOffRule::None) {
    p.W2A = ShownValue(TradeOffSurvival(o.tradeOff, p.W1A));
    p.W2a = ShownValue(TradeOffSurvival(o.tradeOff, p.W1a));
  }
  if (!essGiven)
    return;
  if (o.tradeOff != TradeOffRule::Linear)
    Refuse("--ess needs --trade-off linear");
  if (p.HabFreq < 0.5)
    Refuse("as c<0.5 [A] cannot be the ESS");
  if (given.count("W1A"))
    Refuse("--W1A cannot be given with --ess: the ESS sets W1(A)");
  o.ess = true;
  const double ess = EssW1A(p.HabFreq, p.SoftProp, p.W1A);
  p.W1A = ShownValue(ess);
  p.W2A = ShownValue(LinearTradeOff(ess));
}

void ReadFiles(const GivenOptions &given, bool withFiles, RunnerOptions &o) {
  const std::string *plot = given.Find("plot");
  o.plotFile = plot ? *plot : o.model == Model::Clonal ? kClonePlotFileName : kSexPlotFileName;
  if (!withFiles)
    return;
  o.finalFile = given.at("final");
  o.detailFile = given.at("detail");
  if (o.finalFile.empty() || o.detailFile.empty() || o.plotFile.empty())
    Refuse("--final, --detail and --plot need a file name");
  if (SameFile(o.finalFile, o.detailFile) || SameFile(o.finalFile, o.plotFile) ||
      SameFile(o.detailFile, o.plotFile))
    Refuse("the Final, Detail and Plot files must be three different files");
  // Records go only after those of a Final file: appended to anything else
  // they would be lost in it, or spoil it.
  if (const std::string problem = NotAFinalFile(o.finalFile); !problem.empty())
    Refuse(problem);
}

// The whole parse, in the order of its checks; the fields' state is left in
// `fields`.
RunnerOptions Parse(const GatheredOptions &g, bool withFiles, SimState &fields) {
  RunnerOptions o;
  o.model = CheckedModel(g, withFiles);
  ReadFields(FieldTexts(g.given), o, fields);
  ReadTradeOffAndEss(FieldTexts(g.given), g.ess, o);
  ReadFiles(g.given, withFiles, o);
  if (g.given.count("max-generations"))
    o.maxGenerations = ParseMaxGenerations(g.given.at("max-generations"));
  for (std::size_t k = 0; k < g.disturbTexts.size(); ++k)
    o.disturbances.push_back(ParseDisturbance(o.model, g.disturbTexts[k], k + 1));
  return o;
}

} // namespace

RunnerOptions ParseRunnerCommandOptions(const std::vector<CommandOption> &options,
                                        RunnerFiles files) {
  const bool withFiles = files == RunnerFiles::Required;
  SimState fields;
  return Parse(Gather(options, withFiles), withFiles, fields);
}

// The options, their gathering (which points into them) and the names of
// the varied ones.
struct VariedRunnerOptions::Texts {
  std::vector<CommandOption> options;
  GatheredOptions gathered;
  std::vector<VariedOption> varied;
  std::vector<std::string> names;     // of the varied options
  std::optional<FieldsReplay> replay; // from the fields as the parse read them
};

VariedRunnerOptions::VariedRunnerOptions(std::vector<CommandOption> options, RunnerFiles files,
                                         std::vector<VariedOption> varied)
    : texts_(std::make_unique<Texts>()) {
  Texts &t = *texts_;
  t.options = std::move(options);
  t.varied = std::move(varied);
  for (const VariedOption &v : t.varied)
    t.names.push_back(v.name);
  const bool withFiles = files == RunnerFiles::Required;
  t.gathered = Gather(t.options, withFiles);
  SimState fields;
  parsed_ = Parse(t.gathered, withFiles, fields);
  t.replay.emplace(parsed_.model, t.names);
  t.replay->start = std::move(fields);

  SimState scratch = FieldsBeforeReading();
  for (std::size_t k = 0; k < t.varied.size(); ++k) {
    const FieldRule *rule = FieldOfOption(parsed_.model == Model::Clonal, t.varied[k].name);
    if (!rule || rule == &rules::DG || IsCloneFrequency(rule) || rule->lo.fromState ||
        rule->hi.fromState)
      continue;
    FieldsReplay::KnownStores known{rule, k, {}, {}, {}};
    for (const std::string &text : t.varied[k].values) {
      // Each stored from the value the field has before its first reading.
      scratch = FieldsBeforeReading();
      known.accepted.push_back(StoreFieldEntry(*rule, text, '.', scratch));
      if (rule->kind == FieldTarget::Real)
        known.real.push_back(rule->real(scratch));
      else
        known.count.push_back(rule->count(scratch));
    }
    t.replay->known.push_back(std::move(known));
  }
}

VariedRunnerOptions::VariedRunnerOptions(VariedRunnerOptions &&) noexcept = default;
VariedRunnerOptions::~VariedRunnerOptions() = default;

void VariedRunnerOptions::Vary(const std::size_t *at, RunnerOptions &o) const {
  // Only the fields and what is computed from them depend on the values: the
  // rest of the parse (model, files, cap, disturbances) stays as it was.
  const Texts &t = *texts_;
  const std::string *values[2] = {};
  for (std::size_t k = 0; k < t.varied.size() && k < 2; ++k)
    values[k] = &t.varied[k].values[at[k]];
  const FieldTexts texts(t.gathered.given, &t.names, values);
  SimState fields;
  ReadFields(texts, o, fields, &*t.replay, at);
  ReadTradeOffAndEss(texts, t.gathered.ess, o);
}

std::string RunnerHelpText() {
  return R"(Usage: morvane-run --model MODEL --final FILE --detail FILE [options]

Runs one series of one model, as the input window's Go, the disturbance
window's Go and its Stop would: the run header and one line per generation go
to the Detail and Plot files, and the series' record to the Final file.
Values use '.' as the decimal separator (blanks around a number are
ignored) and are checked with the ranges and messages of the windows' fields.
Each option may be given as
"--name value" or "--name=value".

Model and files:
  --model MODEL        haploid-local, haploid-global, diploid-local,
                       diploid-global or clonal
  --final FILE         Final file (.mrv): created with its header line when it
                       does not exist, otherwise the record is appended (a file
                       that does not start with that header is refused; a last
                       line without its line end is ended first)
  --detail FILE        Detail file (.gnr): created empty (an existing file is
                       emptied)
  --plot FILE          Plot file, emptied at the start; default
                       PlotSexFile.plo (sexual models) or PlotCloneFile.plo
                       (clonal) in the current folder

Parameters (default in brackets):
  --x X        proportion of soft (within-habitat) regulation, 0..1 [1]
  --d D        migration survival of propagules, 0.0001..1 [1]
  --c C        frequency of habitat 1, 0.0001..0.9999 [0.5]
  --i I        maximum number of tries of [AB], 1..1000 [1]
  --j J        maximum number of tries of [aB], 1..1000 [1]
               (i and j are truncated toward zero: 2.7 means 2)
  --W1A W      survival of [A] in habitat 1, 0..1 [1]
  --W2A W      survival of [A] in habitat 2, 0..1 [1]
  --W1a W      survival of [a] in habitat 1, 0..1 [1]
  --W2a W      survival of [a] in habitat 2, 0..1 [1]
  --L L        a run ends when |deltap| <= L and |deltaq| <= L, 0..0.1
               [0.000001]
  --trade-off RULE
               linear (W2 = 1 - W1), convex (W2 = 1 - W1*W1) or concave
               (W2 = (1 - W1)^2): W2(A) and W2(a) are computed from W1(A) and
               W1(a) and must not be given
  --ess        set W1(A) so that [A] is the ESS; only with --trade-off linear
               and c >= 0.5; W1(A) must not be given

Initial state, sexual models:
  --p P        initial frequency of allele A, 0..1 [0.5]
  --q Q        initial frequency of the choosy allele B, 0..1 [0.5]
  --DG DG0     initial linkage disequilibrium, within
               [max(-pq, -(1-p)(1-q)) .. min(p(1-q), q(1-p))], [0..0] when p
               or q is fixed [0]

Initial state, clonal model (the four values, those not given at their
defaults, are the ones the run starts from when they sum to 1 within the
15 significant digits a field shows; otherwise each is divided by their sum
and rounded to 15 significant digits; a sum of 0 is refused):
  --fAB F --fAb F --faB F --fab F    each 0..1 [0, 0.5, 0, 0.5]

Series:
  --disturb STEP
               after the previous run, set a new state and run again; may be
               repeated, the steps are taken in the order given:
                 haploid models:  p=P,q=Q,DG=DG
                 diploid models:  p=P,q=Q,DG=DG  (population rebuilt from p,
                                  q and DG; Fit follows)
                              or  p=P,q=Q,Fit=F  (genotypes from p, q and Fit
                                  with DG = 0; Fit from its minimum for p up
                                  to 1)
                 clonal model:    fAB=F,fAb=F,faB=F,fab=F (brought to sum 1
                                  as the initial frequencies are)
  --max-generations N
               end each run after at most N generations even when it has not
               converged (a note goes to stderr); without it a run goes on
               until it converges
  --help       show this text

Output: one line per run on stdout, TAB-separated: the run number, T (the
generations of the series so far), then p, q, DG and Fit (sexual models) or
f(AB), f(Ab), f(aB), f(ab) (clonal model).

Exit status: 0 on success, 2 when an argument is refused (nothing is written),
1 when a file cannot be created or written (its message goes to stderr).
)";
}

} // namespace morvane
