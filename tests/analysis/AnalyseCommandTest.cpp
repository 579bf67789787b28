// morvane-analyse as a program: its tables (the command line, the column
// names, rows of as many cells, reals with 15 significant digits and '.')
// and its refusals.
#include <gtest/gtest.h>

#include <cctype>
#include <regex>

#include "support/ProgramTestSupport.h"
#include "support/ScratchFolder.h"

namespace morvane::testing {
namespace {

const std::string kLevene = " --model haploid-local --c 0.45 --W1A 0.9 --W2A 0.6 --W1a 0.6 "
                            "--W2a 0.9";

std::vector<std::string> Cells(const std::string &line) {
  std::vector<std::string> cells;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find('\t', start);
    cells.push_back(line.substr(start, tab - start));
    if (tab == std::string::npos)
      return cells;
    start = tab + 1;
  }
}

TEST(AnalyseCommand, WritesItsTables) {
  struct Case {
    std::string args;
    std::string header;
    std::string row; // a row the table holds
  };
  const Case cases[] = {
      {"equilibria --starts 9" + kLevene,
       "p\tq\tDG\tFit\tX1\tX2\tX3\tX4\tstability\tradius\tlambdaA\tlambdaB\tstarts",
       "0\t0.5\t0\t0\t0\t0\t0.5\t0.5\tunstable\t1.04166666666667\t1.04166666666667\t\t1"},
      {"equilibria --model clonal --c 0.45 --W1A 0.9 --W2A 0.6 --W1a 0.6 --W2a 0.9",
       "fAB\tfAb\tfaB\tfab\tX1\tX2\tX3\tX4\tstability\tradius\tlambdaA\tlambdaB\tstarts",
       "0\t0\t0.5\t0.5\t0\t0\t0.5\t0.5\tunstable\t1.04166666666667\t1.04166666666667\t\t1"},
      {"equilibria --model diploid-global --starts 4",
       "p\tq\tDG\tFit\tX1\tX2\tX3\tX4\tX5\tX6\tX7\tX8\tX9\tstability\tradius\tlambdaA\tlambdaB"
       "\tstarts",
       "1\t1\t0\t0\t1\t0\t0\t0\t0\t0\t0\t0\t0\tneutral\t1\t1\t1\t1"},
      {"continue --starts 4 --vary c=0.3:0.7" + kLevene,
       "branch\tc\tp\tq\tDG\tFit\tX1\tX2\tX3\tX4\tstability\tradius\tlambdaA\tlambdaB\tevent",
       "0\t0.4\t0\t0\t0\t0\t0\t0\t0\t1\tneutral\t1\t1\t1\tbranch point"},
      {"basins --grid 3 --threads 2" + kLevene, "p0\tq0\tequilibrium\tp\tq\tstability",
       "0\t0.5\t2\t0\t0.5\tunstable"},
  };
  ScratchFolder folder;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.args);
    const Outcome o = RunProgram(MORVANE_ANALYSE_PATH, folder.Path(), Words(c.args));
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const std::vector<std::string> lines = LfLines(o.out);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "# morvane-analyse " + c.args);
    EXPECT_EQ(lines[1], c.header);
    const std::size_t columns = Cells(c.header).size();
    const std::regex real(R"(-?[0-9]+(\.[0-9]+)?(E-?[0-9]+)?)");
    bool found = false;
    for (std::size_t k = 2; k < lines.size(); ++k) {
      const std::vector<std::string> cells = Cells(lines[k]);
      ASSERT_EQ(cells.size(), columns) << lines[k];
      for (std::size_t j = 0; j < columns; ++j) {
        const std::string &v = cells[j];
        if (v.empty() || std::isalpha(static_cast<unsigned char>(v[0])))
          continue; // an empty cell, a stability or an event
        EXPECT_TRUE(std::regex_match(v, real)) << v;
        // Significant digits: from the first one other than 0.
        std::size_t digits = 0;
        for (char ch : v.substr(0, v.find('E')))
          if (std::isdigit(static_cast<unsigned char>(ch)) && (digits > 0 || ch != '0'))
            ++digits;
        EXPECT_LE(digits, 15u) << v;
      }
      found = found || lines[k] == c.row;
    }
    EXPECT_TRUE(found) << c.row;
  }
}

TEST(AnalyseCommand, RefusesWhatItCannotTake) {
  const Refusal refusals[] = {
      {Words("nothing --model clonal"), "unknown command 'nothing': equilibria, continue or "
                                        "basins"},
      {Words("continue --model clonal"), "continue needs --vary NAME=FROM:TO"},
      {Words("continue --model clonal --vary i=1:3"),
       "--vary takes x, d, c, W1A, W2A, W1a or W2a, not 'i'"},
      {Words("continue --model clonal --vary c=0.5:1"), "c out of Range"},
      {Words("continue --model clonal --trade-off linear --vary W2A=0.5:1"),
       "--vary W2A: a survival under a trade-off or --ess cannot be varied alone"},
      {Words("equilibria --model clonal --p 0.5"),
       "--p is not taken by morvane-analyse: its starts are a grid over p and q"},
      {Words("equilibria --model clonal --grid 5"), "--grid is an option of basins"},
      {Words("basins --model clonal --grid 1"), "--grid needs a whole number from 2 to 2000"},
  };
  for (const Refusal &r : refusals)
    ExpectRefused(MORVANE_ANALYSE_PATH, r);
}

} // namespace
} // namespace morvane::testing
