// The CSV export of a shown series: its rows are the file's, value for value.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "files/TableCsv.h"
#include "support/FileFailures.h"
#include "support/SeriesFilesSupport.h"

namespace morvane {
namespace {

using namespace morvane::testing;
using TableCsvTest = TempDirTest;

TEST_F(TableCsvTest, RowsAreTheFilesValueForValue) {
  struct Case {
    const char *what;
    std::string plotText;
    bool clonal, haploid;
    std::string header;
  };
  const Case cases[] = {
      {"diploid", PlotFileText(false, 30), false, false, "generation,p,q,DG,Fit"},
      {"haploid: no Fit", PlotFileText(false, 30), false, true, "generation,p,q,DG"},
      {"clonal", PlotFileText(true, 30), true, false, "generation,f(AB),f(Ab),f(aB),f(ab)"},
      {"awkward values",
       "0 0.1 0.30000000000000004 -0.02 1e-300\n1 0.5002 0.49999999999999994 2.5e-17 0.8\n", false,
       false, "generation,p,q,DG,Fit"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    Write(Path("f.plo"), c.plotText);
    PlotTable table = ReadPlotFile(Path("f.plo")).Table;
    // A generation of a long series is written in whole digits too.
    if (c.plotText.size() < 100)
      table.Columns[0].back() = 1000000;
    ASSERT_GT(table.Rows(), 1u);
    const std::vector<CsvColumn> columns = DrawnColumns(c.clonal, c.haploid);
    WriteTableCsv(Path("f.csv"), table, columns);

    std::istringstream csv(Read(Path("f.csv")));
    std::string line;
    std::getline(csv, line);
    EXPECT_EQ(line, c.header);
    std::size_t row = 0;
    for (; std::getline(csv, line); ++row) {
      ASSERT_LT(row, table.Rows());
      std::vector<std::string> values(1);
      for (const char ch : line)
        ch == ',' ? values.emplace_back() : (values.back() += ch);
      ASSERT_EQ(values.size(), columns.size() + 1) << line;
      EXPECT_EQ(values[0].find('e'), std::string::npos) << "generation " << values[0];
      for (std::size_t k = 0; k < values.size(); ++k)
        EXPECT_EQ(std::strtod(values[k].c_str(), nullptr),
                  table.Columns[k == 0 ? 0 : columns[k - 1].Column][row])
            << "row " << row << " field " << k + 1 << ": " << values[k];
    }
    EXPECT_EQ(row, table.Rows());
  }
}

TEST_F(TableCsvTest, SeveralSeriesMakeOneLongTableWithTheirNamesQuotedWhereNeeded) {
  Write(Path("f.plo"), PlotFileText(false, 2));
  const PlotTable table = ReadPlotFile(Path("f.plo")).Table;
  const std::string csv = LongTableCsv({{"c = 0.55, p0 = 0.5", &table, DrawnColumns(false, true)},
                                        {"say \"b\"", &table, {{"Fit", 4}}}});
  std::istringstream lines(csv);
  std::vector<std::string> rows;
  for (std::string line; std::getline(lines, line);)
    rows.push_back(line);
  ASSERT_EQ(rows.size(), 1 + 3 * 3 + 3u);
  EXPECT_EQ(rows[0], "series,generation,quantity,value");
  // The series' quantities one after the other, each over its generations;
  // values to the last digit.
  const struct {
    std::size_t row;
    std::string start;
    double value;
  } cells[] = {{1, "\"c = 0.55, p0 = 0.5\",0,p,", table.Columns[1][0]},
               {6, "\"c = 0.55, p0 = 0.5\",2,q,", table.Columns[2][2]},
               {9, "\"c = 0.55, p0 = 0.5\",2,DG,", table.Columns[3][2]},
               {12, "\"say \"\"b\"\"\",2,Fit,", table.Columns[4][2]}};
  for (const auto &c : cells) {
    ASSERT_EQ(rows[c.row].rfind(c.start, 0), 0u) << rows[c.row];
    EXPECT_EQ(std::strtod(rows[c.row].c_str() + c.start.size(), nullptr), c.value);
  }
}

TEST_F(TableCsvTest, AnUnwritableFileIsNamed) {
  const auto write = [&] {
    WriteTableCsv(Path("none/f.csv"), PlotTable{}, DrawnColumns(false, false));
  };
  EXPECT_EQ(PathOf(write), Path("none/f.csv"));
  EXPECT_EQ(FailureOf(write), IoErrorMessage(ENOENT));
}

} // namespace
} // namespace morvane
