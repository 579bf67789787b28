// The program's own file dialogs: the production answer of the file dialog
// seam, and the one place where every file dialog is made.
#pragma once

#include <memory>

#include "ui/framework/Seams.h"

class QFileDialog;
class QWidget;

namespace morvane::ui {

// The folder last used for a kind of file, kept in the program's settings
// for later sessions: empty when none was kept or it is gone. The kinds are
// those of NewFileDialog, and "charts" and "data" for the folders the chart
// windows and the plot menu save figures and tables to.
QString RememberedFolder(const QString &kind);
void RememberFolder(const QString &kind, const QString &folder);

// The dialogs FileDialogs() shows unless a test installed its own.
FileDialogSeam &ProgramFileDialogs();

// Every file dialog the program shows is made here. It tells the files it
// lists apart by their names alone and never reads them: guessing a type
// from a file's first bytes waits for ever on /proc/kmsg, a pipe or a device,
// and the program with it. It is always the program's own dialog, whatever
// the desktop offers. It shows the folder of `current` with `current`
// selected, or, when `current` is empty, the folder last shown by one of
// these dialogs for the same `kind` of file, in this session or before (at
// first the current folder).
// The kind is the extension the dialog gives a typed name: "mrv" for Final
// files, "gnr" for Detail files, "png" for figures, "csv" for data.
std::unique_ptr<QFileDialog> NewFileDialog(QWidget *owner, const QString &current,
                                           const QString &kind);

} // namespace morvane::ui
