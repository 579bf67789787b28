// What the three result files share at the character level: TAB between
// fields, CR LF at the end of every line, and the buffer that the generation
// writers reuse so that a line costs no allocation once it has grown.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

inline constexpr char kTab = '\t';
inline constexpr const char *kLineEnd = "\r\n";

// An empty buffer, the same one on every call of the thread.
inline std::string &LineBuffer() {
  thread_local std::string buffer;
  buffer.clear();
  return buffer;
}

// The fields of a line, split at every TAB; they point into `line`.
inline std::vector<std::string_view> TabFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = line.find(kTab, start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? tab : tab - start));
    if (tab == std::string_view::npos)
      return fields;
    start = tab + 1;
  }
}

} // namespace morvane
