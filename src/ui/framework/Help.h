// Help for every window: the Help menu items, the help key and the viewer
// that shows the help file HelpMorvane.hlp (an HTML document that ships with
// the program).
#pragma once

#include <QString>
#include <memory>

#include "ui/framework/Seams.h"

class QTextBrowser;

namespace morvane::ui {

// The help file name, empty until a Help menu item was used.
QString HelpFileName();
// Tests: back to "no help file named yet".
void ForgetHelpFileName();

// Every window's Help menu item: names the help file and shows its contents.
void HelpMenuRequested();
// The help key in a window of the given help context: topic `context` once a
// help file was named; nothing before, nor in a window without context (0).
void HelpKeyPressed(int context);

// The program's help viewer: a window that shows the help file, found by its
// bare name in the current folder, beside the executable, then in the
// installed data folder (share/morvane). A file that
// cannot be found is reported by the viewer in a message box. Esc closes it.
class TextHelpViewer : public HelpViewerSeam {
public:
  TextHelpViewer();
  ~TextHelpViewer() override;
  void ShowContents(const QString &helpFile) override;
  void ShowTopic(const QString &helpFile, int context) override;
  void CloseViewer() override;

  // Where the file was found ("" when not found).
  static QString Locate(const QString &helpFile);
  // The viewer's window (created on first use; nullptr before).
  QTextBrowser *Browser() const { return browser_.get(); }

private:
  bool Open(const QString &helpFile);
  std::unique_ptr<QTextBrowser> browser_;
  QString loaded_;
};

// Anchor of a help topic in the help file: context 1 is "context-1".
QString TopicAnchor(int context);

} // namespace morvane::ui
