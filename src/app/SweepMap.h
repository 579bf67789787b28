// morvane-sweep's map: the sweep's figure (a colour map over two varied
// parameters, a diagram over one) drawn from the table the sweep wrote, by
// the drawing code of the sweep window. The only part of the sweep that uses
// Qt.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "sweep/SweepOptions.h"

class QApplication;

namespace morvane {

// The application object that drawing a figure needs (its fonts and
// widgets), on the offscreen platform, with Qt's notes about the environment
// kept off stderr. A program makes it before it draws; nothing here makes
// one.
class SweepMapApplication {
public:
  SweepMapApplication();
  ~SweepMapApplication();

private:
  std::unique_ptr<QApplication> app_;
};

// Writes to `file` the figure of the table `table` (options.tableFile or
// its temporary name) showing options.mapOf, in the format options.mapFile
// names, sized by --map-size (pixels at 100 to the inch, text at 9 pt).
// Throws UsageError (the table unreadable) or std::runtime_error naming the
// file.
// The figure records morvane-sweep's `arguments` as the command that draws it.
void WriteSweepMap(const SweepOptions &options, const std::string &table, const std::string &file,
                   const std::vector<std::string> &arguments);

} // namespace morvane
