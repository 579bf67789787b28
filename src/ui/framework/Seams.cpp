#include "framework/Seams.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace morvane::ui {
namespace {

class QtMessageBoxes : public MessageBoxSeam {
public:
  void ShowMessage(QWidget *owner, const QString &text) override {
    QMessageBox box(QMessageBox::NoIcon, owner ? owner->window()->windowTitle() : QString(), text,
                    QMessageBox::Ok, owner);
    box.exec();
  }
};

// Names a file's type from its name alone. The default provider reads the
// first bytes of files whose extension it does not know, and a read that
// never returns (a pipe, or /proc/kmsg for root) would freeze the dialog.
class NameOnlyIconProvider : public QFileIconProvider {
public:
  QString type(const QFileInfo &info) const override {
    if (info.isDir())
      return QStringLiteral("Folder");
    return info.suffix().isEmpty() ? QStringLiteral("File")
                                   : info.suffix() + QStringLiteral(" File");
  }
};

class QtFileDialogs : public FileDialogSeam {
public:
  QString OpenFileName(QWidget *owner, const QString &current, const QString &defaultSuffix,
                       const QString &filterName, const QString &pattern) override {
    return Run(owner, QFileDialog::AcceptOpen, current, defaultSuffix, filterName, pattern);
  }
  QString SaveFileName(QWidget *owner, const QString &current, const QString &defaultSuffix,
                       const QString &filterName, const QString &pattern) override {
    return Run(owner, QFileDialog::AcceptSave, current, defaultSuffix, filterName, pattern);
  }

private:
  static QString Run(QWidget *owner, QFileDialog::AcceptMode mode, const QString &current,
                     const QString &defaultSuffix, const QString &filterName,
                     const QString &pattern) {
    QFileDialog dialog(owner);
    NameOnlyIconProvider icons;
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(mode);
    // The Final file need not exist yet, and choosing an existing Detail file
    // empties it without a question: both dialogs accept any name.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.setNameFilter(filterName + " (" + pattern + ")");
    if (!current.isEmpty())
      dialog.selectFile(current);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return current;
    return dialog.selectedFiles().first();
  }
};

class NoHelpViewer : public HelpViewerSeam {
public:
  void ShowContents(const QString &) override {}
  void ShowTopic(const QString &, int) override {}
  void CloseViewer() override {}
};

QtMessageBoxes productionMessages;
QtFileDialogs productionDialogs;
NoHelpViewer noHelp;

MessageBoxSeam *messages = &productionMessages;
FileDialogSeam *dialogs = &productionDialogs;
HelpViewerSeam *productionHelp = &noHelp;
HelpViewerSeam *help = nullptr;

} // namespace

MessageBoxSeam &Messages() { return *messages; }
FileDialogSeam &FileDialogs() { return *dialogs; }
HelpViewerSeam &Help() { return help ? *help : *productionHelp; }

void SetMessages(MessageBoxSeam *seam) { messages = seam ? seam : &productionMessages; }
void SetFileDialogs(FileDialogSeam *seam) { dialogs = seam ? seam : &productionDialogs; }
void SetHelp(HelpViewerSeam *seam) { help = seam; }
void SetProductionHelp(HelpViewerSeam *seam) { productionHelp = seam ? seam : &noHelp; }

} // namespace morvane::ui
