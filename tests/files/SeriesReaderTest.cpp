// Reading series back from the Plot and Detail files the writers produce,
// and from damaged or foreign files.
#include <gtest/gtest.h>

#include "files/FinalFile.h"
#include "files/SeriesReader.h"
#include "support/FileFailures.h"
#include "support/SeriesFilesSupport.h"

namespace morvane {
namespace {

using namespace morvane::testing;

using SeriesReaderTest = TempDirTest;

// The rows of `table` hold T = 0, 1, ... and the values of MoveTo, to the
// precision of each column in the file (the first row has fewer decimals).
void ExpectMovingRows(const PlotTable &table, std::size_t rows, const double (&precision)[4]) {
  ASSERT_EQ(table.Rows(), rows);
  for (std::size_t r = 0; r < rows; ++r) {
    SimState s;
    MoveTo(s, static_cast<unsigned>(r));
    EXPECT_EQ(table.Columns[0][r], r);
    const double expected[4] = {s.FreqA, s.FreqB, s.DG, s.Fit};
    for (int c = 0; c < 4; ++c)
      EXPECT_NEAR(table.Columns[c + 1][r], expected[c], r == 0 ? 5e-3 : precision[c])
          << "row " << r << " column " << c + 2;
  }
}

TEST_F(SeriesReaderTest, PlotFileRowsUpToTheLimitOrTheFirstDamagedLine) {
  const std::string good = PlotFileText(false, 9); // T = 0 to 9
  struct Case {
    const char *what;
    std::string text;
    std::size_t maxRows;
    std::size_t rows;
    std::string problem;
  };
  const Case cases[] = {
      {"whole file", good, 1000, 10, ""},
      {"limit", good, 4, 4, ""},
      {"blanks, blank lines and extra fields",
       "0 0.5 0.5 0 0 more\r\n\r\n  1\t0.4\t  0.6 -0.1 0.25\n", 1000, 2, ""},
      {"not a number", "0 0.5 0.5 0 0\n1 0.5 0.5 0 0\n2 0.5 0.5x 0 0\n", 1000, 2,
       "f.plo, line 3: \"0.5x\" is not a number"},
      {"short line", "0 0.5 0.5 0 0\n1 0.5 0.5\n", 1000, 1,
       "f.plo, line 2: 3 numbers where a line of a plot file has five"},
      {"nan", "0 0.5 0.5 0 0\n1 nan 0.5 0 0\n", 1000, 1, "f.plo, line 2: \"nan\" is not a number"},
      {"p = 7", "0 0.5 0.5 0 0\n1 7 0.5 0 0\n", 1000, 1,
       "f.plo, line 2: 7 in the second column lies outside 0..1"},
      {"DG below its range", "0 0.5 0.5 -0.3 0\n", 1000, 0,
       "f.plo, line 1: -0.3 in the fourth column lies outside -0.25..1"},
      {"generation going back", "0 0.5 0.5 0 0\n1 0.5 0.5 0 0\n0 0.5 0.5 0 0\n", 1000, 2,
       "f.plo, line 3: generation 0 where 2 follows 1"},
      {"absurd generation", "0 0.5 0.5 0 0\n99999999999999999999 0.5 0.5 0 0\n", 1000, 1,
       "f.plo, line 2: generation 1E20 where 1 follows 0"},
      {"not from 0", "5 0.5 0.5 0 0\n", 1000, 0,
       "f.plo, line 1: generation 5 where 0 starts a series"},
      {"NUL byte", std::string("0 0.5 0.5 0 0\n1 0.5\0 0.5 0 0\n", 28), 1000, 1,
       "f.plo, line 2: a NUL byte at character 6"},
      {"cut short", "0 0.5 0.5 0 0\r\n1 0.5 0.5 0 0.2", 1000, 1,
       "f.plo, line 2: the file ends inside this line: it is cut short"},
      {"empty", "", 1000, 0, ""},
  };
  for (const Case &c : cases) {
    Write(Path("f.plo"), c.text);
    const PlotFileContent content = ReadPlotFile(Path("f.plo"), c.maxRows);
    EXPECT_EQ(content.Table.Rows(), c.rows) << c.what;
    EXPECT_EQ(content.Problem, c.problem.empty() ? "" : dir_.Path() + "/" + c.problem) << c.what;
  }
  Write(Path("f.plo"), good);
  ExpectMovingRows(ReadPlotFile(Path("f.plo")).Table, 10, {5e-6, 5e-6, 5e-6, 5e-3});

  try {
    ReadPlotFile(Path("missing.plo"));
    ADD_FAILURE() << "no error";
  } catch (const SeriesFileError &e) {
    EXPECT_EQ(std::string(e.what()), Path("missing.plo") + ": Fichier introuvable");
  }
}

TEST_F(SeriesReaderTest, DetailFileGivesEverySeriesWithItsOwnHeader) {
  Write(Path("d.gnr"), ThreeModelsDetailFile());
  const DetailFileContent content = ReadDetailFile(Path("d.gnr"));
  EXPECT_EQ(content.Problem, "");
  ASSERT_EQ(content.Series.size(), 3u);
  std::size_t line = 1;
  for (int k = 1; k <= 3; ++k) {
    const DetailSeries &s = content.Series[k - 1];
    const SimState e = SeriesState(kThreeModels[k - 1][0], kThreeModels[k - 1][1], k);
    const SeriesParameters &p = s.Parameters;
    EXPECT_EQ(s.Clonal, k == 3);
    EXPECT_EQ(s.HeaderLine, line);
    EXPECT_FALSE(s.CutShort);
    EXPECT_TRUE(p.HasParameters);
    EXPECT_EQ((std::vector<std::string>{p.Ploidy, p.Reproduction, p.TradeOffStatus, p.ESSStatus,
                                        p.DetailFileName}),
              (std::vector<std::string>{e.Ploidy, e.Reproduction, "NoTO", "NoESS", Path("d.gnr")}));
    const auto values = [](const auto &v) {
      return std::vector<double>{
          v.SoftProp, v.MigSurv, v.HabFreq, double(v.TriesAB), double(v.TriesaB), v.W1A,
          v.W2A,      v.W1a,     v.W2a};
    };
    const std::vector<double> read = values(p), written = values(e);
    for (int v = 0; v < 9; ++v)
      EXPECT_NEAR(read[v], written[v], 1e-9) << "series " << k << ", value " << v;
    ExpectMovingRows(s.Table, ThreeModelsGenerations(k) + 1, {1e-13, 1e-13, 1e-13, 1e-13});
    line += ThreeModelsGenerations(k) + 2;
  }
}

TEST_F(SeriesReaderTest, DamagedOrForeignDetailFileKeepsWhatCouldBeRead) {
  const std::string whole = ThreeModelsDetailFile();
  // Series 2 starts at line 33 (column names), 34 (parameters), then its
  // generation lines from line 35; series 3 starts at line 75.
  const auto lineStart = [&whole](int line) { return LineStart(whole, line); };
  std::string badField = whole;
  const std::size_t field = badField.find('\t', lineStart(40)) + 1;
  badField.replace(field, badField.find('\t', field) - field, "0.5x");
  std::string badParameters = whole;
  badParameters.insert(lineStart(34), "0\t0.5\r\n");
  // Line 40 is generation 6 of series 2; its k-th field replaced.
  const auto withField = [&](int k, const std::string &text) {
    std::string changed = whole;
    std::size_t at = lineStart(40);
    for (int f = 0; f < k; ++f)
      at = changed.find('\t', at) + 1;
    return changed.replace(at, changed.find('\t', at) - at, text);
  };
  std::string nul = whole;
  nul[lineStart(40) + 5] = '\0';
  std::string notFromZero = whole;
  notFromZero[lineStart(34)] = '3';
  struct Case {
    const char *what;
    std::string text;
    const char *rows; // per series read
    bool secondCutShort;
    std::string problem;
  };
  const Case cases[] = {
      {"field", badField, "31 6 51", true, ", line 40: \"0.5x\" is not a number"},
      {"parameter line", badParameters, "31 51", false,
       ", line 34: 2 fields where the parameter line of a series has 20"},
      {"cut in a line", whole.substr(0, lineStart(60) + 9), "31 26", true,
       ", line 60: 2 fields where a generation line has 7"},
      {"nan", withField(1, "nan"), "31 6 51", true, ", line 40: \"nan\" is not a number"},
      {"W2 no number", withField(6, ""), "31 6 51", true, ", line 40: \"\" is not a number"},
      {"p = 7", withField(1, " 7.00000000000000E+0000"), "31 6 51", true,
       ", line 40: 7 in the second column lies outside 0..1"},
      {"generation going back", withField(0, "4"), "31 6 51", true,
       ", line 40: generation 4 where 6 follows 5"},
      {"absurd generation", withField(0, "99999999999999999999"), "31 6 51", true,
       ", line 40: generation 1E20 where 6 follows 5"},
      {"NUL byte", nul, "31 6 51", true, ", line 40: a NUL byte at character 6"},
      {"parameter line not at 0", notFromZero, "31 51", false,
       ", line 34: generation 3 where 0 starts a series"},
      {"cut before its line end", whole.substr(0, lineStart(61) - 1), "31 26", true,
       ", line 60: the file ends inside this line: it is cut short"},
      {"cut after column names", whole.substr(0, lineStart(34)), "31", false,
       ", line 33: the file ends before the parameter line of its last series"},
      {"foreign", "Name,Value\r\n1,2\r\n", "", false,
       " is not a Detail file: line 1 is not the column-name line of a series"},
      {"a Plot file", PlotFileText(false, 3), "", false,
       " is not a Detail file: it looks like a Plot file"},
      {"a Final file", FinalHeaderLine(), "", false,
       " is not a Detail file: it looks like a Final file"},
  };
  for (const Case &c : cases) {
    Write(Path("d.gnr"), c.text);
    const DetailFileContent content = ReadDetailFile(Path("d.gnr"));
    EXPECT_EQ(content.Problem, Path("d.gnr") + c.problem) << c.what;
    std::string rows;
    for (const DetailSeries &s : content.Series)
      rows += (rows.empty() ? "" : " ") + std::to_string(s.Table.Rows());
    EXPECT_EQ(rows, c.rows) << c.what;
    if (content.Series.size() > 1) {
      EXPECT_EQ(content.Series[1].CutShort, c.secondCutShort) << c.what;
    }
  }
}

} // namespace
} // namespace morvane
