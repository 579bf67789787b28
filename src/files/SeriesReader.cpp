#include "files/SeriesReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

#include "files/DetailFile.h"
#include "files/FinalFile.h"
#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"

namespace morvane {

SeriesParameters ParametersOf(const SimState &s) {
  SeriesParameters p;
  p.HasParameters = true;
  p.Params() = s.Params();
  p.TradeOffStatus = s.TradeOffStatus;
  p.ESSStatus = s.ESSStatus;
  p.Ploidy = s.Ploidy;
  p.Reproduction = s.Reproduction;
  p.FinalFileName = s.FinalFileName;
  p.DetailFileName = s.DetailFileName;
  p.PlotFileName = s.PlotFileName;
  return p;
}

namespace {

// Reads a text file line by line, without the line end (LF, or CR LF).
class LineReader {
public:
  explicit LineReader(const std::string &path) : path_(path) {
    file_ = path.empty() ? nullptr : std::fopen(path.c_str(), "rb");
    if (file_ == nullptr)
      Fail(path.empty() ? ENOENT : errno);
  }
  ~LineReader() {
    std::free(buffer_);
    if (file_)
      std::fclose(file_);
  }
  LineReader(const LineReader &) = delete;
  LineReader &operator=(const LineReader &) = delete;

  // The next line, or nullopt at the end of the file.
  std::optional<std::string_view> Next() {
    errno = 0;
    const ssize_t n = ::getline(&buffer_, &capacity_, file_);
    if (n < 0) {
      if (std::ferror(file_))
        Fail(errno != 0 ? errno : EIO);
      return std::nullopt;
    }
    ++number_;
    std::string_view line(buffer_, static_cast<std::size_t>(n));
    ended_ = !line.empty() && line.back() == '\n';
    if (ended_)
      line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r')
      line.remove_suffix(1);
    return line;
  }
  std::size_t Number() const { return number_; }
  // Whether the last line read had its line end: the last line of a file cut
  // short has none.
  bool Ended() const { return ended_; }

  // "name, line N: what".
  std::string Problem(const std::string &what) const {
    return path_ + ", line " + std::to_string(number_) + ": " + what;
  }

private:
  [[noreturn]] void Fail(int errnum) const {
    throw SeriesFileError(path_ + ": " + IoErrorMessage(errnum));
  }
  std::string path_;
  std::FILE *file_ = nullptr;
  char *buffer_ = nullptr;
  std::size_t capacity_ = 0;
  std::size_t number_ = 0;
  bool ended_ = true;
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front()))
    s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back()))
    s.remove_suffix(1);
  return s;
}

// What a line that opens no Detail file looks like the start of: the other
// result files are named, anything else gets the line's number.
std::string NotADetailFile(const std::string &path, std::string_view line, std::size_t number) {
  std::string finalHeader = FinalHeaderLine();
  while (!finalHeader.empty() && (finalHeader.back() == '\n' || finalHeader.back() == '\r'))
    finalHeader.pop_back();
  if (Trim(line) == Trim(finalHeader))
    return path + " is not a Detail file: it looks like a Final file";
  int numbers = 0;
  for (std::size_t i = 0; i < line.size();) {
    while (i < line.size() && IsBlank(line[i]))
      ++i;
    const std::size_t start = i;
    while (i < line.size() && !IsBlank(line[i]))
      ++i;
    if (i == start)
      break;
    if (!TextToReal(line.substr(start, i - start)))
      break;
    ++numbers;
  }
  if (numbers == 5)
    return path + " is not a Detail file: it looks like a Plot file";
  return path + " is not a Detail file: line " + std::to_string(number) +
         " is not the column-name line of a series";
}

std::string NotANumber(std::string_view field) {
  return "\"" + std::string(field) + "\" is not a number";
}

// What no line of a series file holds, whatever its place: a NUL byte (a
// file overwritten or cut by a crash), or a line end missing at the end of
// the file (a file cut short). Empty when the line has neither.
std::string BrokenLine(std::string_view line, bool ended) {
  const std::size_t nul = line.find('\0');
  if (nul != std::string_view::npos)
    return "a NUL byte at character " + std::to_string(nul + 1);
  if (!ended)
    return "the file ends inside this line: it is cut short";
  return {};
}

// The values a trajectory column may take: the frequencies (p, q, or the
// clones) from 0 to 1, DG (or f(aB)) from -0.25, Fit (or f(ab)) from -1; a
// rounding error beyond a bound is no damage.
constexpr double kRangeSlack = 1e-12;
constexpr double kColumnLow[4] = {0, 0, -0.25, -1};

bool InRange(double v, double lo, double hi) {
  return v >= lo - kRangeSlack && v <= hi + kRangeSlack;
}

// The checks of one row of a trajectory: T one more than the row before (0
// for the first of a series), each value within its column's range.
bool CheckRow(const double (&row)[5], const PlotTable &table, bool first, std::string &problem) {
  const double expected = first ? 0 : table.Columns[0].back() + 1;
  if (row[0] != expected) {
    problem = "generation " + RealToText(row[0]) + " where " + RealToText(expected) +
              (first ? " starts a series" : " follows " + RealToText(expected - 1));
    return false;
  }
  static const char *const columns[4] = {"second", "third", "fourth", "fifth"};
  for (int c = 0; c < 4; ++c)
    if (!InRange(row[c + 1], kColumnLow[c], 1)) {
      problem = RealToText(row[c + 1]) + " in the " + columns[c] + " column lies outside " +
                RealToText(kColumnLow[c]) + ".." + "1";
      return false;
    }
  return true;
}

// A field of a Detail line: padded with spaces in the file.
bool ReadField(std::string_view field, double &value, std::string &problem) {
  const std::optional<double> v = TextToReal(Trim(field));
  if (!v) {
    problem = NotANumber(Trim(field));
    return false;
  }
  value = *v;
  return true;
}

bool ReadCount(std::string_view field, std::uint16_t &value, std::string &problem) {
  const std::string_view text = Trim(field);
  unsigned long v = 0;
  bool ok = !text.empty() && text.size() <= 5;
  for (char c : text) {
    ok = ok && c >= '0' && c <= '9';
    v = v * 10 + static_cast<unsigned long>(c - '0');
  }
  if (!ok || v > 65535) {
    problem = "\"" + std::string(text) + "\" is not a number of attempts";
    return false;
  }
  value = static_cast<std::uint16_t>(v);
  return true;
}

void AddRow(PlotTable &table, const double (&row)[5]) {
  for (int c = 0; c < 5; ++c)
    table.Columns[c].push_back(row[c]);
}

// Detail lines. Column numbers from 0: T, four frequencies, W1, W2, x, d,
// W1(A), W2(A), W1(a), W2(a), i, j, c, TradeOff, ESS, Ploidy, Reproduction.
constexpr std::size_t kParameterFields = 20;
constexpr std::size_t kGenerationFields = 7;

bool ReadParameterLine(std::string_view line, DetailSeries &series, std::string &problem) {
  const std::vector<std::string_view> f = TabFields(line);
  if (f.size() != kParameterFields) {
    problem = std::to_string(f.size()) + " fields where the parameter line of a series has 20";
    return false;
  }
  double row[5];
  for (int c = 0; c < 5; ++c)
    if (!ReadField(f[c], row[c], problem))
      return false;
  if (!CheckRow(row, series.Table, true, problem))
    return false;
  SeriesParameters &p = series.Parameters;
  double *reals[] = {&p.SoftProp, &p.MigSurv, &p.W1A, &p.W2A, &p.W1a, &p.W2a};
  for (std::size_t k = 0; k < 6; ++k)
    if (!ReadField(f[7 + k], *reals[k], problem))
      return false;
  if (!ReadCount(f[13], p.TriesAB, problem) || !ReadCount(f[14], p.TriesaB, problem) ||
      !ReadField(f[15], p.HabFreq, problem))
    return false;
  // x, d, c and the survivals are proportions.
  for (double v : {p.SoftProp, p.MigSurv, p.W1A, p.W2A, p.W1a, p.W2a, p.HabFreq})
    if (!InRange(v, 0, 1)) {
      problem = RealToText(v) + " where a parameter of the series lies within 0..1";
      return false;
    }
  p.TradeOffStatus = Trim(f[16]);
  p.ESSStatus = Trim(f[17]);
  p.Ploidy = Trim(f[18]);
  p.Reproduction = Trim(f[19]);
  p.HasParameters = true;
  AddRow(series.Table, row);
  return true;
}

bool ReadGenerationLine(std::string_view line, PlotTable &table, std::string &problem) {
  const std::vector<std::string_view> f = TabFields(line);
  // Every field is followed by a TAB: an eighth, empty field ends the line.
  const bool shaped = f.size() == kGenerationFields ||
                      (f.size() == kGenerationFields + 1 && Trim(f.back()).empty());
  if (!shaped) {
    problem = std::to_string(f.size() - (Trim(f.back()).empty() ? 1 : 0)) +
              " fields where a generation line has 7";
    return false;
  }
  double row[5];
  for (int c = 0; c < 5; ++c)
    if (!ReadField(f[c], row[c], problem))
      return false;
  // W1 and W2 are not kept, but must be numbers all the same.
  double w = 0;
  if (!ReadField(f[5], w, problem) || !ReadField(f[6], w, problem) ||
      !CheckRow(row, table, false, problem))
    return false;
  AddRow(table, row);
  return true;
}

} // namespace

// Besides a field that is no number and a line of the wrong shape, a damaged
// line of a Plot or Detail file is one with a NUL byte, a generation other
// than the one after the line before (0 where a series starts), a value
// outside its column's range (CheckRow), or the last line of a file cut
// short (no line end).
PlotFileContent ReadPlotFile(const std::string &path, std::size_t maxRows) {
  PlotFileContent content;
  PlotTable &table = content.Table;
  LineReader lines(path);
  // The rows expected, up to a bound: a limit read from a damaged state
  // must not reserve gigabytes.
  if (maxRows != std::numeric_limits<std::size_t>::max())
    for (std::vector<double> &column : table.Columns)
      column.reserve(std::min<std::size_t>(maxRows, std::size_t{1} << 21));
  while (table.Rows() < maxRows) {
    const std::optional<std::string_view> line = lines.Next();
    if (!line)
      break;
    if (const std::string broken = BrokenLine(*line, true); !broken.empty()) {
      content.Problem = lines.Problem(broken);
      return content;
    }
    double row[5];
    int count = 0;
    std::size_t i = 0;
    const std::size_t n = line->size();
    while (count < 5) {
      while (i < n && IsBlank((*line)[i]))
        ++i;
      if (i == n)
        break;
      const std::size_t start = i;
      while (i < n && !IsBlank((*line)[i]))
        ++i;
      const std::string_view field = line->substr(start, i - start);
      const std::optional<double> v = TextToReal(field);
      if (!v) {
        content.Problem = lines.Problem(NotANumber(field));
        return content;
      }
      row[count++] = *v;
    }
    if (count == 0)
      continue; // a blank line
    if (count < 5) {
      content.Problem =
          lines.Problem(std::to_string(count) + " numbers where a line of a plot file has five");
      return content;
    }
    std::string problem;
    if (!CheckRow(row, table, table.Rows() == 0, problem) ||
        !(problem = BrokenLine(*line, lines.Ended())).empty()) {
      content.Problem = lines.Problem(problem);
      return content;
    }
    AddRow(table, row);
  }
  return content;
}

std::size_t CountDetailSeries(const std::string &path) {
  LineReader lines(path);
  std::size_t series = 0;
  while (const std::optional<std::string_view> line = lines.Next())
    if (Trim(*line) == kSexualDetailColumns || Trim(*line) == kClonalDetailColumns)
      ++series;
  return series;
}

DetailFileContent ReadDetailFile(const std::string &path) {
  DetailFileContent content;
  LineReader lines(path);
  enum class Expect { Header, Parameters, Generation } expect = Expect::Header;
  bool seenHeader = false;
  DetailSeries current;

  auto damaged = [&](const std::string &what) {
    if (content.Problem.empty())
      content.Problem = lines.Problem(what);
    if (expect == Expect::Generation) {
      current.CutShort = true;
      content.Series.push_back(std::move(current));
    }
    current = DetailSeries{};
    expect = Expect::Header;
  };

  std::string problem;
  while (const std::optional<std::string_view> line = lines.Next()) {
    if (const std::string broken = BrokenLine(*line, true); !broken.empty()) {
      damaged(broken);
      continue;
    }
    if (Trim(*line).empty())
      continue;
    const bool sexualHeader = Trim(*line) == kSexualDetailColumns;
    if (sexualHeader || Trim(*line) == kClonalDetailColumns) {
      if (expect == Expect::Generation)
        content.Series.push_back(std::move(current));
      else if (expect == Expect::Parameters)
        damaged("a column-name line where the parameter line of a series is expected");
      current = DetailSeries{};
      current.Clonal = !sexualHeader;
      current.HeaderLine = lines.Number();
      current.Parameters.DetailFileName = path;
      expect = Expect::Parameters;
      seenHeader = true;
      continue;
    }
    switch (expect) {
    case Expect::Header:
      // After a damaged line the rest of its series is passed over.
      if (!seenHeader && content.Problem.empty())
        content.Problem = NotADetailFile(path, *line, lines.Number());
      break;
    case Expect::Parameters:
      if (ReadParameterLine(*line, current, problem) &&
          (problem = BrokenLine(*line, lines.Ended())).empty())
        expect = Expect::Generation;
      else
        damaged(problem);
      break;
    case Expect::Generation:
      if (!ReadGenerationLine(*line, current.Table, problem))
        damaged(problem);
      else if (!(problem = BrokenLine(*line, lines.Ended())).empty()) {
        // The last value of a line cut short may itself be cut.
        for (std::vector<double> &column : current.Table.Columns)
          column.pop_back();
        damaged(problem);
      }
      break;
    }
  }
  if (expect == Expect::Generation)
    content.Series.push_back(std::move(current));
  else if (expect == Expect::Parameters && content.Problem.empty())
    content.Problem = lines.Problem("the file ends before the parameter line of its last series");
  return content;
}

} // namespace morvane
