// The Final file: a header of 19 column names, then one record per stopped
// series, CR LF line ends, TAB separators.
#pragma once

#include <string>

#include "state/SimState.h"

namespace morvane {

// Both lines end with CR LF.
std::string FinalHeaderLine();
// One record of the state; clones carry X1..X4 in columns 11 to 14.
std::string FinalRecordLine(const SimState &s, bool clonal);

// Creates the file with its header when it does not exist; an existing file
// is only opened for reading and closed, never written. Throws FileError;
// a file created here whose header could not be written is removed again.
void CreateOrAcceptFinalFile(const std::string &name);
// Why an existing file is no Final file to append to: empty when the file
// does not exist, is no regular file or cannot be read (appending reports
// that) or starts with the header line; otherwise a message naming the file.
std::string NotAFinalFile(const std::string &name);
// Appends one record to s.FinalFile in one open-append-close; a file that
// has gone missing is not recreated. A file whose last line has no line end
// gets one first, so that the record starts a line of its own. Throws
// FileError.
void AppendFinalRecord(const SimState &s, bool clonal);

} // namespace morvane
