#include "sweep/SweepNames.h"

#include <algorithm>
#include <cctype>

namespace morvane {

std::optional<std::size_t> WholeNumber(const std::string &text, std::size_t lo, std::size_t hi) {
  if (text.empty() || text.size() > 9)
    return std::nullopt;
  std::size_t n = 0;
  for (char ch : text) {
    if (ch < '0' || ch > '9')
      return std::nullopt;
    n = n * 10 + static_cast<std::size_t>(ch - '0');
  }
  if (n < lo || n > hi)
    return std::nullopt;
  return n;
}

std::vector<std::string> SplitText(const std::string &text, char separator) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos)
      return parts;
    start = end + 1;
  }
}

std::string JoinedText(const std::vector<std::string> &items, const std::string &separator) {
  std::string out;
  for (const std::string &item : items)
    out += (out.empty() ? "" : separator) + item;
  return out;
}

bool HasEnding(std::string name, const std::string &ending) {
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return name.size() > ending.size() &&
         name.compare(name.size() - ending.size(), ending.size(), ending) == 0;
}

std::string SweepTableName(const std::string &finalFile) {
  if (HasEnding(finalFile, ".mrv"))
    return finalFile.substr(0, finalFile.size() - 4) + ".tsv";
  return finalFile + ".tsv";
}

std::string PartName(const std::string &name) {
  for (const char *picture : {".png", ".svg", ".pdf"})
    if (HasEnding(name, picture))
      return name.substr(0, name.size() - 4) + ".part" + name.substr(name.size() - 4);
  return name + ".part";
}

bool StartsWith(const std::string &text, const std::string &start) {
  return text.compare(0, start.size(), start) == 0;
}

std::string TraceName(const std::string &traceDir, std::size_t points, std::size_t point) {
  const std::size_t width = std::to_string(points - 1).size();
  std::string number = std::to_string(point);
  number.insert(0, width - number.size(), '0');
  return traceDir + "/point-" + number;
}

} // namespace morvane
