// The Plot file: the trajectory of the current series, five fields a line,
// read back by the plot windows.
#pragma once

#include <string>

#include "state/SimState.h"

namespace morvane {

inline constexpr const char *kSexPlotFileName = "PlotSexFile.plo";
inline constexpr const char *kClonePlotFileName = "PlotCloneFile.plo";

// Binds PlotFile and PlotFileName to the fixed name and empties the file.
void ResetPlotFile(SimState &s, const std::string &fixedName);

// Every line ends with CR LF. Each Write* is one open-append-close of an
// existing file and throws FileError.
std::string SexualPlotFirstLine(const SimState &s);
std::string ClonalPlotFirstLine(const SimState &s);
void AppendSexualPlotGenerationLine(std::string &out, const SimState &s);
void AppendClonalPlotGenerationLine(std::string &out, const SimState &s);

void WriteSexualPlotGenerationLine(const SimState &s);
void WriteClonalPlotGenerationLine(const SimState &s);

} // namespace morvane
