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

namespace {

// A text field: quoted, with its quotes doubled, when it holds a comma, a
// quote or a line end.
void AppendText(std::string &out, const std::string &text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"')
      out += '"';
    out += c;
  }
  out += '"';
}

} // namespace

std::string LongTableCsv(const std::vector<CsvSeries> &series) {
  std::string out = "series,generation,quantity,value\n";
  for (const CsvSeries &s : series) {
    std::string name;
    AppendText(name, s.Name);
    for (const CsvColumn &column : s.Columns) {
      std::string quantity;
      AppendText(quantity, column.Name);
      for (std::size_t r = 0; r < s.Table->Rows(); ++r) {
        out += name;
        out += ',';
        AppendNumber(out, s.Table->Columns[0][r]);
        out += ',';
        out += quantity;
        out += ',';
        AppendNumber(out, s.Table->Columns[column.Column][r]);
        out += '\n';
      }
    }
  }
  return out;
}

void WriteLongTableCsv(const std::string &path, const std::vector<CsvSeries> &series) {
  const std::string text = LongTableCsv(series);
  CreateEmptyFile(path);
  AppendToFile(path, text);
}

} // namespace morvane
