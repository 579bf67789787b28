// Command-line options of morvane-run: one series of one model, with the
// parameters of the input windows, any number of disturbances and the result
// files. Every value is checked with the ranges and messages of the windows
// before any file is touched.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/FieldRules.h"
#include "engine/Model.h"
#include "engine/TradeOff.h"
#include "state/Parameters.h"
#include "state/SimState.h"

namespace morvane {

// A refused command line; what() is the message for the user.
class UsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// One --disturb step, checked against the ranges of the disturbance windows.
struct Disturbance {
  // Sexual models: new p and q, and DG (haploids; diploids in new-DG form)
  // or Fit (diploids in new-Fit form).
  double p = 0;
  double q = 0;
  std::optional<double> dg;
  std::optional<double> fit;
  // Clones: the four frequencies AB, Ab, aB, ab, already brought to sum 1.
  std::array<double, 4> clones{};
};

struct RunnerOptions {
  bool help = false;
  Model model = Model::HaploidLocal;

  // The parameters as the run uses them: under a trade-off W2A and W2a are
  // already computed, under the ESS option W1A too. The defaults are the
  // initial texts of the input windows.
  Parameters params = kInputWindowParameters;
  TradeOffRule tradeOff = TradeOffRule::None;
  bool ess = false;

  // Initial state: p, q and DG0 for the sexual models, the four clone
  // frequencies (brought to sum 1) for clones.
  StartValues start;

  std::string finalFile;
  std::string detailFile;
  std::string plotFile; // the model's fixed Plot file name unless given

  std::vector<Disturbance> disturbances;
  // Cap on the generations of each run; none: a run goes on until it
  // converges.
  std::optional<std::uint32_t> maxGenerations;
};

// One option of a command line: "--name value", "--name=value", or a flag
// (no value).
struct CommandOption {
  std::string name;
  std::optional<std::string> value;
};

// Splits arguments into options; the names in `flags` take no value, every
// other option takes the next argument or what follows its '='. Throws
// UsageError for a stray argument, a flag given a value or a missing value.
std::vector<CommandOption> SplitCommandLine(const std::vector<std::string> &args,
                                            const std::vector<std::string> &flags);

// Which result files a parse takes: morvane-run needs --final and --detail
// (and may be given --plot); a point of a sweep takes none of them, its
// results going to the sweep's files, and keeps the model's Plot file name.
enum class RunnerFiles { Required, None };

// The model named by --model ("haploid-local" ... "clonal"); throws UsageError
// for any other name.
Model ParseModelName(const std::string &name);
// The name --model gives a model: the inverse of ParseModelName.
std::string ModelName(Model model);

// The field behind a numeric option of the model ("x", "DG", "fAB"...), or
// nullptr when the model has no such value.
const FieldRule *RunnerField(Model model, const std::string &option);

// Parses and checks the arguments (without the program name). Throws
// UsageError with the message to show when anything is refused.
RunnerOptions ParseRunnerOptions(const std::vector<std::string> &args,
                                 RunnerFiles files = RunnerFiles::Required);
// The same from arguments already split by SplitCommandLine (with "ess" as
// its flag); --help is not looked for.
RunnerOptions ParseRunnerCommandOptions(const std::vector<CommandOption> &options,
                                        RunnerFiles files);

// A command line parsed once for many runs that differ only in the values of
// some of its field options, such as the points of a sweep. Each Vary reads
// the fields, the trade-off and the ESS again with those values, with the
// checks and messages of the parse; the rest stays as parsed.
// A field option whose value changes from run to run, and the texts it
// takes.
struct VariedOption {
  std::string name;
  std::vector<std::string> values;
};

class VariedRunnerOptions {
public:
  // Parses the options as ParseRunnerCommandOptions does (throws its
  // UsageError); `varied` names options among them whose values Vary
  // replaces.
  VariedRunnerOptions(std::vector<CommandOption> options, RunnerFiles files,
                      std::vector<VariedOption> varied);
  VariedRunnerOptions(VariedRunnerOptions &&) noexcept;
  ~VariedRunnerOptions();

  const RunnerOptions &Parsed() const { return parsed_; }
  // Sets o, a copy of Parsed() (or of an earlier Vary's result), to what the
  // parse gives with the k-th varied option given its at[k]-th text: only
  // its parameters and start values change. Throws the parse's UsageError.
  void Vary(const std::size_t *at, RunnerOptions &o) const;

private:
  struct Texts;
  std::unique_ptr<Texts> texts_;
  RunnerOptions parsed_;
};

// The text of --help.
std::string RunnerHelpText();

} // namespace morvane
