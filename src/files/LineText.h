// What the three result files share at the character level: TAB between
// fields, CR LF at the end of every line, and the buffer that the generation
// writers reuse so that a line costs no allocation once it has grown.
#pragma once

#include <string>

namespace morvane {

inline constexpr char kTab = '\t';
inline constexpr const char *kLineEnd = "\r\n";

// An empty buffer, the same one on every call of the thread.
inline std::string &LineBuffer() {
  thread_local std::string buffer;
  buffer.clear();
  return buffer;
}

} // namespace morvane
