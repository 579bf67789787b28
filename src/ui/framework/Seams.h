// The three places where the program talks to the user outside its own
// windows: message boxes, the file dialogs and the help viewer. Each is one
// small interface; production shows the real thing, tests install their own.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace morvane::ui {

class MessageBoxSeam {
public:
  virtual ~MessageBoxSeam() = default;
  // A modal message box with an OK button; returns when the user closed it.
  virtual void ShowMessage(QWidget *owner, const QString &text) = 0;
};

class FileDialogSeam {
public:
  virtual ~FileDialogSeam() = default;
  // Each returns the file name the dialog holds afterwards: the chosen name,
  // or `current` unchanged when the user cancelled. `defaultSuffix` is added
  // to a typed name without extension; `filterName` and `pattern` form the
  // one filter ("mrv", "*.mrv").
  virtual QString OpenFileName(QWidget *owner, const QString &current, const QString &defaultSuffix,
                               const QString &filterName, const QString &pattern) = 0;
  virtual QString SaveFileName(QWidget *owner, const QString &current, const QString &defaultSuffix,
                               const QString &filterName, const QString &pattern) = 0;

  // Dialogs with several filters ("Detail files (*.gnr)", ...), the first one
  // selected, opening on `suggested`. Each returns the chosen name, or an
  // empty name when the user cancelled. The open dialog takes only an
  // existing file; the save dialog gives a name typed without extension the
  // extension of the selected filter and asks before replacing a file. The
  // defaults fall back on the one-filter dialogs above with the first filter.
  virtual QString OpenExistingFileName(QWidget *owner, const QString &suggested,
                                       const QStringList &filters);
  virtual QString SaveFileNameAs(QWidget *owner, const QString &suggested,
                                 const QStringList &filters);
};

class HelpViewerSeam {
public:
  virtual ~HelpViewerSeam() = default;
  virtual void ShowContents(const QString &helpFile) = 0;
  virtual void ShowTopic(const QString &helpFile, int context) = 0;
  virtual void CloseViewer() = 0;
};

MessageBoxSeam &Messages();
FileDialogSeam &FileDialogs();
HelpViewerSeam &Help();

// Install a replacement (tests); nullptr puts the production one back.
void SetMessages(MessageBoxSeam *seam);
void SetFileDialogs(FileDialogSeam *seam);
void SetHelp(HelpViewerSeam *seam);

// The production help viewer is created by the help module, which registers
// it here at start-up.
void SetProductionHelp(HelpViewerSeam *seam);

} // namespace morvane::ui
