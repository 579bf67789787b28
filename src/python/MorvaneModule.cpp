// The compiled part of the Python module: the runner's parse and series, the
// sweep library and the program's readers, reached with the arguments the
// command-line programs would get. The Python part (morvane/__init__.py)
// builds those arguments and the results' objects.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <mutex>
#include <sstream>
#include <string_view>
#include <thread>

#include "analyse/AnalyseCommand.h"
#include "engine/FieldRules.h"
#include "files/FinalFile.h"
#include "files/SeriesReader.h"
#include "files/TextFile.h"
#include "python/SeriesArrays.h"
#include "runner/RunnerOptions.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOptions.h"
#include "sweep/SweepOutputs.h"

namespace py = pybind11;
using namespace morvane;

namespace {

// A column (a vector or a series' Column) handed to numpy without a copy:
// the array owns it.
template <typename C> py::array_t<typename C::value_type> Give(C &&column) {
  using T = typename C::value_type;
  auto *owned = new C(std::move(column));
  py::capsule owner(owned, [](void *p) { delete static_cast<C *>(p); });
  return py::array_t<T>({owned->size()}, {sizeof(T)}, owned->data(), owner);
}

// morvane-run's arguments ("--name=value", "--ess"), split and parsed by the
// runner as the program splits and parses its command line: with the result
// files when --final or --detail is given, without any otherwise.
RunnerOptions ParseOptions(const std::vector<std::string> &args) {
  const std::vector<CommandOption> options = SplitCommandLine(args, {"ess"});
  const bool files = std::any_of(options.begin(), options.end(), [](const CommandOption &o) {
    return o.name == "final" || o.name == "detail";
  });
  return ParseRunnerCommandOptions(options, files ? RunnerFiles::Required : RunnerFiles::None);
}

// Every parameter the series runs with, by option name, from the field table.
py::dict ParametersOf(const RunnerOptions &o) {
  SimState s;
  s.Params() = o.params;
  s.FreqA = o.start.FreqA;
  s.FreqB = o.start.FreqB;
  s.DG = o.start.DG;
  for (int k = 0; k < 4; ++k)
    s.X[k + 1] = o.start.Clones[k];
  py::dict parameters;
  const bool clonal = o.model == Model::Clonal;
  for (const FieldRule *rule : clonal ? ClonalInputFields() : SexualInputFields()) {
    if (rule->kind == FieldTarget::Real)
      parameters[rule->option] = rule->real(s);
    else
      parameters[rule->option] = rule->count(s);
  }
  return parameters;
}

// Waits for `work` on a thread of its own, the GIL released, and asks Python
// every tenth of a second whether a signal came (Ctrl-C): `cancel` is then
// set and the Python error is raised once the work has ended.
template <typename Work> void RunInterruptible(std::atomic<bool> &cancel, Work &&work) {
  std::mutex m;
  std::condition_variable wake;
  bool done = false, signalled = false;
  std::exception_ptr error;
  {
    py::gil_scoped_release release;
    std::thread worker([&] {
      try {
        work();
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard<std::mutex> lock(m);
      done = true;
      wake.notify_all();
    });
    std::unique_lock<std::mutex> lock(m);
    while (!wake.wait_for(lock, std::chrono::milliseconds(100), [&] { return done; })) {
      if (signalled)
        continue;
      lock.unlock();
      {
        py::gil_scoped_acquire acquire;
        if (PyErr_CheckSignals() != 0) {
          signalled = true;
          cancel = true;
        }
      }
      lock.lock();
    }
    lock.unlock();
    worker.join();
  }
  if (signalled)
    throw py::error_already_set();
  if (error)
    std::rethrow_exception(error);
}

py::dict RunSeries(const std::vector<std::string> &args) {
  const RunnerOptions o = ParseOptions(args);
  std::atomic<bool> cancel{false};
  SeriesArrays a;
  RunInterruptible(cancel, [&] { a = RunSeriesArrays(o, [&] { return cancel.load(); }); });
  py::dict out;
  out["model"] = ModelName(o.model);
  out["parameters"] = ParametersOf(o);
  out["T"] = Give(std::move(a.T));
  static const char *sexual[] = {"p", "q", "DG", "Fit"};
  static const char *clonal[] = {"fAB", "fAb", "faB", "fab"};
  for (int k = 0; k < 4; ++k)
    out[(a.clonal ? clonal : sexual)[k]] = Give(std::move(a.values[k]));
  out["W1"] = Give(std::move(a.W1));
  out["W2"] = Give(std::move(a.W2));
  out["deltaP"] = Give(std::move(a.deltaP));
  out["deltaQ"] = Give(std::move(a.deltaQ));
  out["run_starts"] = Give(std::move(a.runStarts));
  std::vector<bool> converged(a.runConverged.begin(), a.runConverged.end());
  out["run_converged"] = py::array(py::cast(converged));
  py::array_t<double> reruns({a.rerunStates.size(), std::size_t(4)});
  for (std::size_t r = 0; r < a.rerunStates.size(); ++r)
    for (std::size_t k = 0; k < 4; ++k)
      reruns.mutable_at(r, k) = a.rerunStates[r][k];
  out["rerun_states"] = reruns;
  out["converged"] = a.converged;
  out["record"] = a.record;
  return out;
}

py::dict CheckOptions(const std::vector<std::string> &args) {
  const RunnerOptions o = ParseOptions(args);
  py::dict out;
  out["model"] = ModelName(o.model);
  out["parameters"] = ParametersOf(o);
  return out;
}

std::uint32_t RunPlain(const std::vector<std::string> &args) {
  const RunnerOptions o = ParseOptions(args);
  py::gil_scoped_release release;
  return RunSeriesPlain(o);
}

// A folder of its own under the system's temporary folder, removed with it.
class ScratchFolder {
public:
  ScratchFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "morvane-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
      throw FileError(errno, pattern);
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::string &Path() const { return path_; }

private:
  std::string path_;
};

// A file that cannot be opened raises OSError with the program's message
// ("cannot read NAME: ..."), as the series readers' files do; what is wrong
// inside a file raises ValueError.
void RequireReadable(const std::string &name) {
  std::ifstream in(name, std::ios::binary);
  if (!in)
    throw SeriesFileError("cannot read " + name + ": " + IoErrorMessage(errno));
}

py::bytes FileBytes(const std::string &name) { return py::bytes(ReadInput(name)); }

// The sweep of morvane-sweep's arguments (without --final), run by the sweep
// library into files in a scratch folder: its Final file and table.
py::tuple Sweep(std::vector<std::string> args) {
  const ScratchFolder scratch;
  const std::string final = scratch.Path() + "/sweep.mrv";
  args.push_back("--final=" + final);
  const SweepOptions o = ParseSweepOptions(args);
  std::atomic<bool> cancel{false};
  SweepRun run;
  RunInterruptible(cancel,
                   [&] { run = RunSweep(o, CheckSweepPoints(o.plan, o.jobs), nullptr, &cancel); });
  if (!run.Complete())
    throw std::runtime_error("the sweep stopped after " + std::to_string(run.pointsDone) + " of " +
                             std::to_string(run.points) + " points");
  return py::make_tuple(FileBytes(o.finalFile), FileBytes(o.tableFile), o.jobs);
}

// A number of a table's row; a text that is none (a non-finite value
// written by the sweep) reads as NaN.
double TableNumber(const char *begin, const char *end) {
  double value = 0;
  const auto [at, error] = std::from_chars(begin, end, value);
  return error == std::errc() && at == end ? value : std::numeric_limits<double>::quiet_NaN();
}

// The columns of a sweep's table (its third line on): point, T and
// stableCount as whole numbers, converged as true/false, the classes and
// stability as text, every other column as reals. Returns the
// column names and the columns; throws UsageError for a row that does not
// split into them (the tables given here have been checked).
py::tuple SweepTableColumns(const std::string &table) {
  const std::vector<std::string> lines = LinesEndingWith(table, "\n", "table", true);
  if (lines.size() < 2)
    throw UsageError("a sweep's table starts with two lines");
  const std::vector<std::string> names = SplitText(lines[1].substr(0, lines[1].size() - 1), '\t');
  const std::size_t rows = lines.size() - 2, width = names.size();
  const auto isText = [](const std::string &name) {
    return name == "classA" || name == "classB" || name == "stability";
  };
  const auto isWhole = [](const std::string &name) {
    return name == "point" || name == "T" || name == "stableCount";
  };
  std::vector<py::object> columns;
  std::vector<void *> data;
  std::vector<std::vector<std::string>> texts(width);
  for (const std::string &name : names) {
    if (isText(name))
      columns.push_back(py::none());
    else if (isWhole(name))
      columns.push_back(py::array_t<std::int64_t>(rows));
    else if (name == "converged")
      columns.push_back(py::array_t<bool>(rows));
    else
      columns.push_back(py::array_t<double>(rows));
    data.push_back(isText(name) ? nullptr : columns.back().cast<py::array>().mutable_data());
  }
  for (std::size_t r = 0; r < rows; ++r) {
    const std::string &line = lines[r + 2];
    const char *at = line.data(), *end = line.data() + line.size() - 1;
    for (std::size_t k = 0; k < width; ++k) {
      const char *stop = std::find(at, end, '\t');
      if ((stop == end) != (k + 1 == width))
        throw UsageError("row " + std::to_string(r + 1) + " of the table is not a row of it");
      const std::string &name = names[k];
      if (name == "converged") {
        static_cast<bool *>(data[k])[r] = std::string_view(at, stop - at) == "yes";
      } else if (isText(name)) {
        texts[k].emplace_back(at, stop);
      } else if (isWhole(name)) {
        std::int64_t n = 0;
        if (std::from_chars(at, stop, n).ptr != stop)
          throw UsageError("row " + std::to_string(r + 1) + " of the table is not a row of it");
        static_cast<std::int64_t *>(data[k])[r] = n;
      } else {
        static_cast<double *>(data[k])[r] = TableNumber(at, stop);
      }
      at = stop + 1;
    }
  }
  py::list out;
  for (std::size_t k = 0; k < width; ++k)
    out.append(isText(names[k]) ? py::cast(texts[k]) : columns[k]);
  return py::make_tuple(names, out);
}

// Writes a sweep's Final file and table as new files, each whole or not at
// all; returns the table's name.
std::string WriteSweepFiles(const std::string &final, const std::string &records,
                            const std::string &table) {
  if (HasEnding(final, ".tsv"))
    throw UsageError(final + " names a table: give the Final file (.mrv); its table is written "
                             "beside it");
  const std::string tableName = SweepTableName(final);
  NewFiles out({final, tableName});
  out.Append(0, records);
  out.Append(1, table);
  out.Complete();
  return tableName;
}

// A sweep's Final file and table given either, with the checks of a merge:
// both whole, the Final header, a sweep's table, every point, every record
// against its row and its point's parameters.
py::tuple ReadSweep(const std::string &name) {
  RequireReadable(name);
  const ShardFiles files = RecogniseShardFiles(name);
  const std::string records = ReadInput(files.finalFile), table = ReadInput(files.tableFile);
  const std::vector<std::string> recordLines = LinesEndingWith(records, "\r\n", files.finalFile);
  const std::vector<std::string> rowLines = LinesEndingWith(table, "\n", files.tableFile);
  if (recordLines.empty() || recordLines[0] != FinalHeaderLine())
    throw UsageError(files.finalFile + " is not a Final file (its first line is not the header)");
  const std::vector<std::string> start(
      rowLines.begin(), rowLines.begin() + std::min<std::size_t>(2, rowLines.size()));
  const SweepPlan plan = PlanOfTable(start, files.tableFile);
  const std::size_t expected =
      (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
  const std::size_t recordCount = recordLines.size() - 1, rowCount = rowLines.size() - 2;
  if (recordCount != expected || rowCount != expected)
    throw UsageError("shard " + std::to_string(plan.shardIndex) + "/" +
                     std::to_string(plan.shardCount) + " (" + files.finalFile + ") holds " +
                     std::to_string(recordCount) + " records and " + std::to_string(rowCount) +
                     " rows of its " + std::to_string(expected) + " points: was it cut short?");
  if (expected > 0) {
    const SweepPoints points(plan);
    for (std::size_t k = 0; k < expected; ++k)
      CheckRecordAgainstRow(points, plan.shardIndex + k * plan.shardCount, recordLines[k + 1],
                            rowLines[k + 2], files.finalFile + ", line " + std::to_string(k + 2));
  }
  return py::make_tuple(py::bytes(records), py::bytes(table), files.finalFile, files.tableFile);
}

// The records of a Final file, checked: its header, whole CR LF lines, each
// with as many fields as the header.
py::list ReadFinal(const std::string &name) {
  RequireReadable(name);
  const std::vector<std::string> lines = LinesEndingWith(ReadInput(name), "\r\n", name);
  if (lines.empty() || lines[0] != FinalHeaderLine())
    throw UsageError(name + " is not a Final file (its first line is not the header)");
  const std::size_t fields = SplitText(FinalHeaderLine(), '\t').size();
  py::list records;
  for (std::size_t k = 1; k < lines.size(); ++k) {
    std::vector<std::string> items = SplitText(lines[k].substr(0, lines[k].size() - 2), '\t');
    if (items.size() != fields)
      throw UsageError(name + ", line " + std::to_string(k + 1) + ": " +
                       std::to_string(items.size()) + " fields where the header has " +
                       std::to_string(fields));
    records.append(py::cast(items));
  }
  return records;
}

// The columns of a trajectory read back, handed over without a copy.
py::dict TableColumns(PlotTable &table) {
  py::dict out;
  out["T"] = Give(std::move(table.Columns[0]));
  py::list values;
  for (int k = 1; k < 5; ++k)
    values.append(Give(std::move(table.Columns[k])));
  out["values"] = values;
  return out;
}

py::dict ReadPlot(const std::string &name) {
  PlotFileContent content = ReadPlotFile(name);
  if (!content.Problem.empty())
    throw UsageError(content.Problem);
  return TableColumns(content.Table);
}

py::list ReadDetail(const std::string &name) {
  DetailFileContent content = ReadDetailFile(name);
  if (!content.Problem.empty())
    throw UsageError(content.Problem);
  py::list series;
  for (DetailSeries &d : content.Series) {
    py::dict one = TableColumns(d.Table);
    const SeriesParameters &p = d.Parameters;
    one["clonal"] = d.Clonal;
    py::dict parameters;
    parameters["x"] = p.SoftProp;
    parameters["d"] = p.MigSurv;
    parameters["c"] = p.HabFreq;
    parameters["i"] = p.TriesAB;
    parameters["j"] = p.TriesaB;
    parameters["W1A"] = p.W1A;
    parameters["W2A"] = p.W2A;
    parameters["W1a"] = p.W1a;
    parameters["W2a"] = p.W2a;
    one["parameters"] = parameters;
    one["status"] = py::make_tuple(p.TradeOffStatus, p.ESSStatus, p.Ploidy, p.Reproduction);
    series.append(one);
  }
  return series;
}

// The table of morvane-analyse's arguments (the command first), as the
// program writes it, computed with the GIL released; and the grid of a
// basin map (0 for the other commands).
py::tuple Analyse(const std::vector<std::string> &args) {
  const AnalyseCommand command = ParseAnalyseCommand(args);
  std::ostringstream out;
  {
    py::gil_scoped_release release;
    RunAnalyseCommand(command, out);
  }
  return py::make_tuple(out.str(), command.kind == AnalyseKind::Basins ? command.grid : 0);
}

// The field table: per option its models, range and default, for the
// docstrings.
py::list FieldTable() {
  py::list rows;
  const RunnerOptions sexual =
      ParseRunnerCommandOptions({{"model", "haploid-local"}}, RunnerFiles::None);
  const RunnerOptions clonal = ParseRunnerCommandOptions({{"model", "clonal"}}, RunnerFiles::None);
  const py::dict sexualDefaults = ParametersOf(sexual), clonalDefaults = ParametersOf(clonal);
  for (const bool isClonal : {false, true}) {
    for (const FieldRule *rule : isClonal ? ClonalInputFields() : SexualInputFields()) {
      py::object lo = rule->lo.fromState ? py::object(py::none()) : py::float_(rule->lo.constant);
      py::object hi = rule->hi.fromState ? py::object(py::none()) : py::float_(rule->hi.constant);
      rows.append(py::make_tuple(rule->option, isClonal, lo, hi,
                                 (isClonal ? clonalDefaults : sexualDefaults)[rule->option],
                                 rule->kind == FieldTarget::Count, rule->message));
    }
  }
  return rows;
}

} // namespace

PYBIND11_MODULE(_morvane, m) {
  m.doc() = "The compiled core of the morvane module; use the functions of morvane itself.";
  static py::exception<UsageError> refused(m, "RefusedValue", PyExc_ValueError);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p)
        std::rethrow_exception(p);
    } catch (const UsageError &e) {
      PyErr_SetString(refused.ptr(), e.what());
    } catch (const FileError &e) {
      py::object error = py::module_::import("builtins")
                             .attr("OSError")(e.Errno(), std::string(e.what()),
                                              e.Path().empty() ? py::object(py::none())
                                                               : py::object(py::str(e.Path())));
      PyErr_SetObject(PyExc_OSError, error.ptr());
    } catch (const SeriesFileError &e) {
      PyErr_SetString(PyExc_OSError, e.what());
    }
  });
  m.def("run_series", &RunSeries, "Runs one series; see morvane.run.");
  m.def("check_options", &CheckOptions, "Parses morvane-run's options without running.");
  m.def("run_plain", &RunPlain, "Runs one series without keeping anything (benchmark).");
  m.def("sweep", &Sweep, "Runs morvane-sweep's arguments; returns the Final file and table.");
  m.def("analyse", &Analyse, "Runs morvane-analyse's arguments; returns its table.");
  m.def("write_sweep_files", &WriteSweepFiles,
        "Writes a sweep's Final file and table as new files.");
  m.def("read_sweep", &ReadSweep, "Reads and checks a sweep's Final file and table.");
  m.def("table_columns", &SweepTableColumns, "The columns of a sweep's table, as numpy arrays.");
  m.def("read_final", &ReadFinal, "Reads and checks a Final file.");
  m.def("read_plot", &ReadPlot, "Reads and checks a Plot file.");
  m.def("read_detail", &ReadDetail, "Reads and checks a Detail file.");
  m.def("field_table", &FieldTable, "The parameters' fields: option, clonal, lo, hi, default.");
  m.attr("final_header") = FinalHeaderLine();
  m.attr("version") = MORVANE_VERSION;
}
