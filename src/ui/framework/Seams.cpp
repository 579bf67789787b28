#include "framework/Seams.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QWidget>

namespace morvane::ui {
namespace {

// "PNG picture (*.png)" gives "PNG picture", "*.png" and "png".
struct Filter {
  QString name, pattern, suffix;
};
Filter SplitFilter(const QString &filter) {
  const int open = filter.lastIndexOf('(');
  const int close = filter.lastIndexOf(')');
  if (open < 0 || close < open)
    return {filter, filter, QString()};
  const QString pattern = filter.mid(open + 1, close - open - 1).section(' ', 0, 0);
  const QString suffix = pattern.startsWith("*.") ? pattern.mid(2) : QString();
  return {filter.left(open).trimmed(), pattern, suffix == "*" ? QString() : suffix};
}

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

public:
  QString OpenExistingFileName(QWidget *owner, const QString &suggested,
                               const QStringList &filters) override {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return RunFiltered(dialog, suggested, filters);
  }
  QString SaveFileNameAs(QWidget *owner, const QString &suggested,
                         const QStringList &filters) override {
    QFileDialog dialog(owner);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without extension takes the one of the filter in force.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &f) {
      dialog.setDefaultSuffix(SplitFilter(f).suffix);
    });
    if (!filters.isEmpty())
      dialog.setDefaultSuffix(SplitFilter(filters.first()).suffix);
    return RunFiltered(dialog, suggested, filters);
  }

private:
  static QString RunFiltered(QFileDialog &dialog, const QString &suggested,
                             const QStringList &filters) {
    dialog.setNameFilters(filters);
    if (!suggested.isEmpty())
      dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return QString();
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

QString FileDialogSeam::OpenExistingFileName(QWidget *owner, const QString &suggested,
                                             const QStringList &filters) {
  const Filter f = SplitFilter(filters.value(0));
  const QString name = OpenFileName(owner, suggested, f.suffix, f.name, f.pattern);
  return name == suggested ? QString() : name;
}

QString FileDialogSeam::SaveFileNameAs(QWidget *owner, const QString &suggested,
                                       const QStringList &filters) {
  const Filter f = SplitFilter(filters.value(0));
  const QString name = SaveFileName(owner, suggested, f.suffix, f.name, f.pattern);
  return name == suggested ? QString() : name;
}

MessageBoxSeam &Messages() { return *messages; }
FileDialogSeam &FileDialogs() { return *dialogs; }
HelpViewerSeam &Help() { return help ? *help : *productionHelp; }

void SetMessages(MessageBoxSeam *seam) { messages = seam ? seam : &productionMessages; }
void SetFileDialogs(FileDialogSeam *seam) { dialogs = seam ? seam : &productionDialogs; }
void SetHelp(HelpViewerSeam *seam) { help = seam; }
void SetProductionHelp(HelpViewerSeam *seam) { productionHelp = seam ? seam : &noHelp; }

} // namespace morvane::ui
