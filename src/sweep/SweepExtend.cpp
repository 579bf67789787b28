#include "sweep/SweepExtend.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <unordered_map>

#include "files/FinalFile.h"
#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"
#include "sweep/SweepNames.h"
#include "sweep/SweepOutputs.h"

namespace morvane {

namespace {

[[noreturn]] void Refuse(const std::string &message) { throw UsageError(message); }

// An earlier sweep's Final file and table; `interrupted` when they are the
// temporary files of a run that did not end (their last lines may be cut).
struct Source {
  std::string finalFile, tableFile;
  bool interrupted = false;
};

// The first line of a table (with its LF), empty when it has none whole.
std::string FirstLine(const std::string &table) {
  LineReader lines(table, "\n", 0, 4096);
  std::string line;
  return lines.Next(line) ? line : std::string();
}

// The parts of a sweep's identity other than its grid: "--model M", each
// fixed option with its value, the trace folder.
std::vector<std::string> FixedParts(const SweepPlan &plan) {
  std::vector<std::string> parts;
  const std::string identity = plan.Identity();
  std::size_t from = 0;
  while (from < identity.size()) {
    std::size_t at = identity.find(" --", from);
    if (at == std::string::npos)
      at = identity.size();
    const std::string part = identity.substr(from, at - from);
    if (!StartsWith(part, "--vary "))
      parts.push_back(part);
    from = at + 1;
  }
  return parts;
}

std::string AxisNames(const SweepPlan &plan) {
  std::vector<std::string> names;
  for (const SweepAxis &axis : plan.axes)
    names.push_back(axis.option);
  return JoinedText(names, " and ");
}

// Refuses an earlier sweep that is not this one on another grid, naming
// what differs.
void CheckSameSweep(const SweepPlan &earlier, const SweepPlan &plan, const std::string &where) {
  const std::string refusal = " (a sweep is extended by another grid over the same parameters)";
  if (earlier.model != plan.model)
    Refuse(where + " holds a sweep of the " + ModelName(earlier.model) +
           " model, and this one is of the " + ModelName(plan.model) + " model" + refusal);
  std::vector<std::string> had, has;
  for (const SweepAxis &axis : earlier.axes)
    had.push_back(axis.option);
  for (const SweepAxis &axis : plan.axes)
    has.push_back(axis.option);
  std::sort(had.begin(), had.end());
  std::sort(has.begin(), has.end());
  if (had != has)
    Refuse(where + " holds a sweep over " + AxisNames(earlier) + ", and this one is over " +
           AxisNames(plan) + refusal);
  const std::vector<std::string> before = FixedParts(earlier), now = FixedParts(plan);
  if (before == now)
    return;
  std::vector<std::string> there, here;
  for (const std::string &part : before)
    if (std::find(now.begin(), now.end(), part) == now.end())
      there.push_back(part);
  for (const std::string &part : now)
    if (std::find(before.begin(), before.end(), part) == before.end())
      here.push_back(part);
  const auto listed = [](const std::vector<std::string> &parts) {
    return parts.empty() ? std::string("nothing more") : JoinedText(parts, " ");
  };
  Refuse(where + " holds a sweep with other fixed parameters: " + listed(there) + " there, and " +
         listed(here) + " in this one" + refusal);
}

// The earlier sweeps whose points an extension may take over: the Final
// file and its table when they hold another sweep, the temporary files of
// an interrupted one (moved aside when `moveAside`), those moved aside
// before. Each is checked to be this sweep on another grid.
std::vector<Source> FindSources(const SweepOptions &o, bool moveAside) {
  const std::string start = kSweepTableMark + o.plan.Description() + "\n";
  std::vector<Source> sources;
  if (FileExists(o.finalFile) && FileExists(o.tableFile)) {
    if (FirstLine(o.tableFile) == start)
      return {}; // this very sweep: done already, or refused as it stands
    sources.push_back({o.finalFile, o.tableFile, false});
  }
  const std::string partFinal = PartName(o.finalFile), partTable = PartName(o.tableFile);
  const Source aside{ExtendedName(partFinal), ExtendedName(partTable), true};
  const bool asideThere = FileExists(aside.finalFile) && FileExists(aside.tableFile);
  if (asideThere)
    sources.push_back(aside);
  if (FileExists(partFinal) && FileExists(partTable)) {
    const std::string line = FirstLine(partTable);
    if (line != start && StartsWith(line, kSweepTableMark)) {
      if (asideThere)
        Refuse(partFinal + " holds an interrupted run of another grid, and " + aside.finalFile +
               " one of a third: finish or remove one of them");
      if (!moveAside) {
        sources.push_back({partFinal, partTable, true});
      } else {
        for (const auto &[from, to] :
             {std::pair(partFinal, aside.finalFile), std::pair(partTable, aside.tableFile)})
          if (std::rename(from.c_str(), to.c_str()) != 0)
            throw FileError(errno, to);
        sources.push_back(aside);
      }
    }
  }
  return sources;
}

// The bits of the value a point runs with on an axis: equal bits, equal runs.
std::uint64_t ValueBits(const SweepAxis &axis, std::size_t k) {
  const bool count = axis.field && axis.field->kind == FieldTarget::Count;
  const std::optional<double> v = ReadTypedReal(count ? axis.shown[k] : axis.values[k]);
  const double value = v.value_or(std::numeric_limits<double>::quiet_NaN());
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Finds, for each point of an earlier sweep, the point of the new grid with
// the very same values, if any, and of this shard.
class GridMatch {
public:
  GridMatch(const SweepPlan &earlier, const SweepPlan &plan) : earlier_(earlier), plan_(plan) {
    for (const SweepAxis &axis : plan.axes) {
      std::unordered_map<std::uint64_t, std::size_t> index;
      for (std::size_t k = 0; k < axis.values.size(); ++k)
        index.emplace(ValueBits(axis, k), k);
      indexes_.push_back(std::move(index));
      for (std::size_t a = 0; a < earlier.axes.size(); ++a)
        if (earlier.axes[a].option == axis.option)
          earlierAxis_.push_back(a);
    }
  }

  std::optional<std::size_t> PointOf(std::size_t earlierPoint) const {
    const std::array<std::size_t, 2> at = earlier_.Coordinates(earlierPoint);
    std::size_t point = 0;
    for (std::size_t a = 0; a < plan_.axes.size(); ++a) {
      const std::size_t e = earlierAxis_[a];
      const auto found = indexes_[a].find(ValueBits(earlier_.axes[e], at[e]));
      if (found == indexes_[a].end())
        return std::nullopt;
      point = point * plan_.axes[a].values.size() + found->second;
    }
    if (point % plan_.shardCount != plan_.shardIndex)
      return std::nullopt;
    return point;
  }

private:
  const SweepPlan &earlier_, &plan_;
  std::vector<std::unordered_map<std::uint64_t, std::size_t>> indexes_;
  std::vector<std::size_t> earlierAxis_;
};

// The plan of a source's table, and the byte where its rows start.
SweepPlan PlanOfSource(const Source &source, std::uint64_t &rowsAt) {
  LineReader lines(source.tableFile, "\n", 0, 4096);
  std::vector<std::string> first(2);
  if (!lines.Next(first[0]) || !lines.Next(first[1]))
    first.resize(0);
  rowsAt = first.empty() ? 0 : first[0].size() + first[1].size();
  return PlanOfTable(first, source.tableFile);
}

// The points of a source taken over, in the order of its rows. With
// `points` (the source's own), each record is read and checked against its
// row; an interrupted source is read up to its first pair that fails.
std::vector<SweepTakeover::KeptPoint> KeptOf(const Source &source, std::size_t sourceIndex,
                                             const SweepPlan &plan, const SweepPlan &earlier,
                                             std::uint64_t rowsAt, const SweepPoints *points) {
  const GridMatch match(earlier, plan);
  const std::string header = FinalHeaderLine();
  std::optional<LineReader> records;
  if (points)
    records.emplace(source.finalFile, "\r\n", header.size());
  LineReader rows(source.tableFile, "\n", rowsAt);
  std::vector<SweepTakeover::KeptPoint> kept;
  std::uint64_t recordAt = header.size(), rowAt = rowsAt;
  std::string record, row;
  for (std::size_t line = 2; rows.Next(row); ++line) {
    if (records && !records->Next(record))
      break;
    const std::size_t tab = row.find('\t');
    const auto earlierPoint =
        WholeNumber(row.substr(0, tab), 0, std::max<std::size_t>(earlier.Points(), 1) - 1);
    const std::optional<std::size_t> point =
        earlierPoint ? match.PointOf(*earlierPoint) : std::nullopt;
    if (!earlierPoint && !source.interrupted)
      Refuse(source.tableFile + ", line " + std::to_string(line + 1) + ": no point's row");
    if (!earlierPoint)
      break;
    if (point && points) {
      try {
        CheckRecordAgainstRow(*points, *earlierPoint, record, row,
                              source.finalFile + ", line " + std::to_string(line));
      } catch (const UsageError &) {
        if (!source.interrupted)
          throw;
        break;
      }
    }
    if (point) {
      // The row from its T on: after the point and the varied values.
      std::size_t from = 0;
      for (std::size_t f = 0; f <= earlier.axes.size(); ++f)
        from = row.find('\t', from) + 1;
      SweepTakeover::KeptPoint k;
      k.point = *point;
      k.source = sourceIndex;
      k.recordAt = recordAt;
      k.recordSize = static_cast<std::uint32_t>(record.size());
      k.rowAt = rowAt + from - 1;
      k.rowSize = static_cast<std::uint32_t>(row.size() - from + 1);
      kept.push_back(k);
    }
    recordAt += record.size();
    rowAt += row.size();
  }
  return kept;
}

// The points kept from every source, in grid order, each once.
std::vector<SweepTakeover::KeptPoint> AllKept(const std::vector<Source> &sources,
                                              const SweepPlan &plan, bool check) {
  std::vector<SweepTakeover::KeptPoint> kept;
  for (std::size_t s = 0; s < sources.size(); ++s) {
    std::uint64_t rowsAt = 0;
    const SweepPlan earlier = PlanOfSource(sources[s], rowsAt);
    CheckSameSweep(earlier, plan, sources[s].finalFile);
    std::optional<SweepPoints> points;
    if (check)
      points.emplace(earlier);
    const std::vector<SweepTakeover::KeptPoint> found =
        KeptOf(sources[s], s, plan, earlier, rowsAt, check ? &*points : nullptr);
    kept.insert(kept.end(), found.begin(), found.end());
  }
  std::stable_sort(kept.begin(), kept.end(),
                   [](const auto &a, const auto &b) { return a.point < b.point; });
  kept.erase(std::unique(kept.begin(), kept.end(),
                         [](const auto &a, const auto &b) { return a.point == b.point; }),
             kept.end());
  return kept;
}

void RefuseTraceFolder(const SweepOptions &o) {
  if (!o.traceDir.empty())
    Refuse("--extend cannot be given with --trace-dir: the trace files of a sweep are numbered "
           "by its grid");
}

std::size_t ShardPoints(const SweepPlan &plan) {
  return (plan.Points() + plan.shardCount - 1 - plan.shardIndex) / plan.shardCount;
}

} // namespace

std::string ExtendedName(const std::string &partName) { return partName + ".extended"; }

std::optional<SweepExtension> ExtensionOf(const SweepOptions &o) {
  const std::vector<Source> sources = FindSources(o, false);
  if (sources.empty())
    return std::nullopt;
  RefuseTraceFolder(o);
  SweepExtension extension;
  extension.kept = AllKept(sources, o.plan, false).size();
  extension.run = ShardPoints(o.plan) - extension.kept;
  return extension;
}

std::unique_ptr<SweepTakeover> SweepTakeover::Prepare(const SweepOptions &o,
                                                      const SweepPoints &points) {
  RefuseTraceFolder(o);
  // Checked before anything is moved aside.
  for (const Source &source : FindSources(o, false)) {
    std::uint64_t rowsAt = 0;
    CheckSameSweep(PlanOfSource(source, rowsAt), o.plan, source.finalFile);
  }
  const std::vector<Source> sources = FindSources(o, true);
  if (sources.empty())
    return nullptr;
  auto takeover = std::unique_ptr<SweepTakeover>(new SweepTakeover);
  takeover->plan_ = points.Plan();
  takeover->kept_ = AllKept(sources, o.plan, true);
  for (const Source &source : sources) {
    takeover->finals_.push_back(
        std::make_unique<std::ifstream>(source.finalFile, std::ios::binary));
    takeover->tables_.push_back(
        std::make_unique<std::ifstream>(source.tableFile, std::ios::binary));
    if (source.interrupted) {
      takeover->aside_.push_back(source.finalFile);
      takeover->aside_.push_back(source.tableFile);
    }
  }
  return takeover;
}

std::vector<std::size_t> SweepTakeover::PointsToRun(std::size_t done) const {
  std::vector<std::size_t> run;
  auto kept = kept_.begin();
  for (std::size_t k = done; k < ShardPoints(plan_); ++k) {
    const std::size_t point = plan_.shardIndex + k * plan_.shardCount;
    while (kept != kept_.end() && kept->point < point)
      ++kept;
    if (kept == kept_.end() || kept->point != point)
      run.push_back(point);
  }
  return run;
}

void SweepTakeover::SkipDone(std::size_t done) {
  const std::size_t end = plan_.shardIndex + done * plan_.shardCount;
  while (next_ < kept_.size() && kept_[next_].point < end)
    ++next_;
}

std::size_t SweepTakeover::TakeBefore(std::size_t point, std::string &records, std::string &rows) {
  std::size_t taken = 0;
  for (; next_ < kept_.size() && kept_[next_].point < point; ++next_, ++taken) {
    const KeptPoint &k = kept_[next_];
    const auto read = [](std::ifstream &in, std::uint64_t at, std::size_t size, std::string &to) {
      const std::size_t was = to.size();
      to.resize(was + size);
      if (!in.seekg(static_cast<std::streamoff>(at)) ||
          !in.read(&to[was], static_cast<std::streamsize>(size)))
        throw FileError(EIO, "a sweep taken over");
    };
    read(*finals_[k.source], k.recordAt, k.recordSize, records);
    AppendInteger(rows, static_cast<long long>(k.point));
    const std::array<std::size_t, 2> at = plan_.Coordinates(k.point);
    for (std::size_t a = 0; a < plan_.axes.size(); ++a) {
      rows += '\t';
      rows += plan_.axes[a].shown[at[a]];
    }
    read(*tables_[k.source], k.rowAt, k.rowSize, rows);
  }
  return taken;
}

void SweepTakeover::Finish() {
  finals_.clear();
  tables_.clear();
  for (const std::string &name : aside_)
    std::remove(name.c_str());
}

} // namespace morvane
