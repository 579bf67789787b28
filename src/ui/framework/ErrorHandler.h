// The one place where errors that no handler dealt with are shown: a message
// box with the error's message, after which the program goes on.
#pragma once

#include <QApplication>
#include <exception>

namespace morvane::ui {

// The text that tells the user about an error: its message ("Disque plein",
// ...) and, for a file error, the file concerned on a second line.
QString ErrorText(const std::exception &e);
// Shows ErrorText(e) in a message box owned by `owner`.
void ReportError(QWidget *owner, const std::exception &e);

// The program's application object: whatever escapes an event handler is
// reported with ReportError instead of ending the process. It also answers
// the help key for the active window, and gives every window the program's
// style (NewProgramStyle).
class MorvaneApplication : public QApplication {
public:
  MorvaneApplication(int &argc, char **argv);
  bool notify(QObject *receiver, QEvent *event) override;
};

} // namespace morvane::ui
