#include "TableCsv.h"

#include <charconv>
#include <cmath>

#include "files/TextFile.h"

namespace morvane {

std::vector<CsvColumn> DrawnColumns(bool clonal, bool haploid) {
  if (clonal)
    return {{"f(AB)", 1}, {"f(Ab)", 2}, {"f(aB)", 3}, {"f(ab)", 4}};
  if (haploid)
    return {{"p", 1}, {"q", 2}, {"DG", 3}};
  return {{"p", 1}, {"q", 2}, {"DG", 3}, {"Fit", 4}};
}

namespace {

void AppendNumber(std::string &out, double value) {
  char buffer[32];
  // The generation is a whole number: written whole, never as 1e+06.
  const auto result =
      value == std::floor(value) && std::abs(value) < 1e15
          ? std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value))
          : std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

} // namespace

std::string TableCsv(const PlotTable &table, const std::vector<CsvColumn> &columns) {
  std::string out = "generation";
  for (const CsvColumn &column : columns)
    out += "," + column.Name;
  out += '\n';
  out.reserve(out.size() + table.Rows() * (columns.size() + 1) * 20);
  for (std::size_t r = 0; r < table.Rows(); ++r) {
    AppendNumber(out, table.Columns[0][r]);
    for (const CsvColumn &column : columns) {
      out += ',';
      AppendNumber(out, table.Columns[column.Column][r]);
    }
    out += '\n';
  }
  return out;
}

void WriteTableCsv(const std::string &path, const PlotTable &table,
                   const std::vector<CsvColumn> &columns) {
  const std::string text = TableCsv(table, columns);
  CreateEmptyFile(path);
  AppendToFile(path, text);
}

} // namespace morvane
