// The points of a shown series as CSV, for R and pandas as they are: a header
// line, then one row per generation, the generation first and one column per
// line drawn, every value at full precision (it reads back to the same double).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "files/SeriesReader.h"

namespace morvane {

struct CsvColumn {
  std::string Name;
  std::size_t Column; // into PlotTable::Columns, 1 to 4
};

// The lines a chart draws: p, q, DG and Fit (no Fit for haploids, whose Fit
// is always 0), or the four clone frequencies.
std::vector<CsvColumn> DrawnColumns(bool clonal, bool haploid);

std::string TableCsv(const PlotTable &table, const std::vector<CsvColumn> &columns);

// Writes TableCsv to `path`; throws FileError (the runtime's message, Path()
// naming the file).
void WriteTableCsv(const std::string &path, const PlotTable &table,
                   const std::vector<CsvColumn> &columns);

// Several series as one long table, for R and pandas as they are: the header
// "series,generation,quantity,value", then per series, per quantity, one row
// per generation. A name holding a comma or a quote is quoted.
struct CsvSeries {
  std::string Name;
  const PlotTable *Table;
  std::vector<CsvColumn> Columns;
};
std::string LongTableCsv(const std::vector<CsvSeries> &series);

// Writes LongTableCsv to `path`; throws FileError.
void WriteLongTableCsv(const std::string &path, const std::vector<CsvSeries> &series);

} // namespace morvane
