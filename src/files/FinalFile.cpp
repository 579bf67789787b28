#include "files/FinalFile.h"

#include "files/LineText.h"
#include "files/NumberFormat.h"
#include "files/TextFile.h"

#include <cstdio>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

namespace morvane {

std::string FinalHeaderLine() {
  return "T\tx\td\tW1(A)\tW2(A)\tW1(a)\tW2(a)\ti\tj\tc\t"
         "p or f(AB)\tq or f(Ab)\tDG or f(aB)\tFit or f(ab)\t"
         "TradOfStatus\tESSStatus\tPloidy\tReproduction\tFile Name\r\n";
}

std::string FinalRecordLine(const SimState &s, bool clonal) {
  std::string out;
  out.reserve(160);
  AppendInteger(out, s.Generation);
  out += kTab;
  for (double v : {s.SoftProp, s.MigSurv, s.W1A, s.W2A, s.W1a, s.W2a}) {
    AppendFixed(out, v, 4, 2);
    out += kTab;
  }
  AppendInteger(out, s.TriesAB);
  out += kTab;
  AppendInteger(out, s.TriesaB);
  out += kTab;
  AppendFixed(out, s.HabFreq, 4, 2);
  // Columns 11 to 14: the allele frequencies, DG and Fit of a sexual series,
  // the four clone frequencies of a clonal one.
  const double state[4] = {clonal ? s.X[1] : s.FreqA, clonal ? s.X[2] : s.FreqB,
                           clonal ? s.X[3] : s.DG, clonal ? s.X[4] : s.Fit};
  for (double v : state) {
    out += kTab;
    AppendFixed(out, v, 6, 4);
  }
  for (const std::string *text :
       {&s.TradeOffStatus, &s.ESSStatus, &s.Ploidy, &s.Reproduction, &s.PlotFileName}) {
    out += kTab;
    out += *text;
  }
  out += kLineEnd;
  return out;
}

void CreateOrAcceptFinalFile(const std::string &name) {
  // An existing file is only checked for reading: records from earlier
  // sessions are never touched. A new one gets its header; should a file of
  // that name appear in between, it is accepted, not overwritten.
  if (FileExists(name) || !CreateNewFile(name)) {
    CheckOpenable(name);
    return;
  }
  try {
    AppendToFile(name, FinalHeaderLine());
  } catch (const FileError &) {
    // The file is ours, created a moment ago: left without its header it
    // would be accepted as an existing Final file the next time it is chosen.
    ::unlink(name.c_str());
    throw;
  }
}

namespace {

using File = std::unique_ptr<std::FILE, int (*)(std::FILE *)>;

// Only a regular file is read: a device or a pipe (which might wait for a
// writer) is left to the append to report on.
File OpenToRead(const std::string &name) {
  struct stat st;
  if (::stat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
    return File(nullptr, std::fclose);
  return File(std::fopen(name.c_str(), "rb"), std::fclose);
}

// What must come before a new line at the end of the file: nothing when it
// is empty or ends with a line end, the missing part of CR LF otherwise. A
// file that cannot be read is left to the append to report.
std::string MissingLineEnd(const std::string &name) {
  const File f = OpenToRead(name);
  if (!f || std::fseek(f.get(), -1, SEEK_END) != 0)
    return {};
  const int last = std::fgetc(f.get());
  return last == EOF || last == '\n' ? std::string() : last == '\r' ? "\n" : kLineEnd;
}

} // namespace

std::string NotAFinalFile(const std::string &name) {
  const File f = OpenToRead(name);
  if (!f)
    return {};
  const std::string header = FinalHeaderLine();
  std::string start(header.size(), '\0');
  start.resize(std::fread(start.data(), 1, start.size(), f.get()));
  if (start == header || std::ferror(f.get()))
    return {};
  if (start.empty())
    return name + " is empty, not a Final file (it has no header line)";
  // The header with LF alone: an edited copy of a Final file.
  const std::size_t names = header.size() - 2;
  if (start.size() > names && start.compare(0, names, header, 0, names) == 0 &&
      start[names] == '\n')
    return name + " has LF line ends where a Final file has CR LF";
  return name + " is not a Final file (its first line is not the header line of one)";
}

void AppendFinalRecord(const SimState &s, bool clonal) {
  AppendToFile(s.FinalFile.Name, MissingLineEnd(s.FinalFile.Name) + FinalRecordLine(s, clonal));
}

} // namespace morvane
