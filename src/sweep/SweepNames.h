// Small shared rules of a sweep's names and texts: file name endings, the
// table beside a Final file, the temporary names outputs are written under,
// the trace files of a point, whole numbers and lists in options.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace morvane {

// Whether a file name ends with `ending` (in lower case), letters in any case,
// and has something before it.
bool HasEnding(std::string name, const std::string &ending);

// The table written beside a Final file: its name with ".mrv" replaced by
// ".tsv" (or ".tsv" added when it has another ending).
std::string SweepTableName(const std::string &finalFile);

// The name an output is written under until it is complete: "sweep.mrv"
// gives "sweep.mrv.part", "map.png" gives "map.part.png" (the ending tells
// the format of a picture).
std::string PartName(const std::string &name);

// The Detail and Plot files of a point, without their endings:
// "DIR/point-NNN", numbered to the width of the last point of `points`.
std::string TraceName(const std::string &traceDir, std::size_t points, std::size_t point);

// Whether a text starts with `start`.
bool StartsWith(const std::string &text, const std::string &start);

// A whole number from lo to hi (at most 9 digits), or nothing.
std::optional<std::size_t> WholeNumber(const std::string &text, std::size_t lo, std::size_t hi);

// The parts of a text between separators (an empty text is one empty part).
std::vector<std::string> SplitText(const std::string &text, char separator);
std::string JoinedText(const std::vector<std::string> &items, const std::string &separator);

} // namespace morvane
