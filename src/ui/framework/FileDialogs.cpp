#include "ui/framework/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QSettings>
#include <QTemporaryDir>
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

// Icons and types of the listed entries from their names: a folder is a
// folder, a file's type is the one its extension names. The icons are made
// once, as the dialog lists its folder on a thread of its own.
class NameOnlyIconProvider : public QFileIconProvider {
public:
  NameOnlyIconProvider()
      : drive_(QFileIconProvider::icon(Drive)), folder_(QFileIconProvider::icon(Folder)),
        file_(QFileIconProvider::icon(File)) {}
  using QFileIconProvider::icon;
  QIcon icon(const QFileInfo &info) const override {
    if (info.isRoot())
      return drive_;
    return info.isDir() ? folder_ : file_;
  }
  QString type(const QFileInfo &info) const override {
    if (info.isRoot())
      return QStringLiteral("Drive");
    if (info.isDir())
      return QStringLiteral("Folder");
    const QMimeType mime =
        QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    // The program's own files (.mrv, .gnr, .plo) are named by their extension.
    if (mime.isDefault())
      return info.suffix().isEmpty() ? QStringLiteral("File")
                                     : info.suffix().toLower() + QStringLiteral(" file");
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
  }

private:
  QIcon drive_, folder_, file_;
};

// A dialog lists the folder it is created in at once, before it can be given
// its icon provider: it is created in this empty folder.
QString EmptyFolder() {
  static QTemporaryDir empty;
  return empty.isValid() ? empty.path() : QString();
}

// The folder a dialog with no file name opens in: the one last shown by a
// dialog for the same kind of file (by the extension it gives a typed name),
// so that the Final file is not sent where the figures went.
QHash<QString, QString> &LastFolders() {
  static QHash<QString, QString> folders;
  return folders;
}

// The provider is built before the dialog and destroyed after it (the
// dialog's listing thread uses it to the end).
struct IconsBeforeDialog {
  NameOnlyIconProvider icons;
};

class ProgramFileDialog : private IconsBeforeDialog, public QFileDialog {
public:
  ProgramFileDialog(QWidget *owner, const QString &kind)
      : QFileDialog(owner, QString(), EmptyFolder()), kind_(kind) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    setIconProvider(&icons);
  }
  ~ProgramFileDialog() override {
    const QString shown = directory().absolutePath();
    if (!shown.isEmpty() && shown != EmptyFolder()) {
      LastFolders()[kind_] = shown;
      RememberFolder(kind_, shown);
    }
  }

private:
  QString kind_;
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
    const std::unique_ptr<QFileDialog> dialog = NewFileDialog(owner, current, defaultSuffix);
    dialog->setAcceptMode(mode);
    // The Final file need not exist yet, and choosing an existing Detail file
    // empties it without a question: both dialogs accept any name.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog->setDefaultSuffix(defaultSuffix);
    dialog->setNameFilter(filterName + " (" + pattern + ")");
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
      return current;
    return dialog->selectedFiles().first();
  }

public:
  QString OpenExistingFileName(QWidget *owner, const QString &suggested,
                               const QStringList &filters) override {
    const std::unique_ptr<QFileDialog> dialog =
        NewFileDialog(owner, suggested, SplitFilter(filters.value(0)).suffix);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    return RunFiltered(*dialog, filters);
  }
  QString SaveFileNameAs(QWidget *owner, const QString &suggested,
                         const QStringList &filters) override {
    const std::unique_ptr<QFileDialog> dialog =
        NewFileDialog(owner, suggested, SplitFilter(filters.value(0)).suffix);
    QFileDialog *d = dialog.get();
    d->setAcceptMode(QFileDialog::AcceptSave);
    d->setFileMode(QFileDialog::AnyFile);
    // A name typed without extension takes the one of the filter in force.
    QObject::connect(d, &QFileDialog::filterSelected, d,
                     [d](const QString &f) { d->setDefaultSuffix(SplitFilter(f).suffix); });
    if (!filters.isEmpty())
      d->setDefaultSuffix(SplitFilter(filters.first()).suffix);
    return RunFiltered(*d, filters);
  }

private:
  static QString RunFiltered(QFileDialog &dialog, const QStringList &filters) {
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
      return QString();
    return dialog.selectedFiles().first();
  }
};

} // namespace

FileDialogSeam &ProgramFileDialogs() {
  static QtFileDialogs dialogs;
  return dialogs;
}

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

QString RememberedFolder(const QString &kind) {
  const QString folder = QSettings(QStringLiteral("Morvane"), QStringLiteral("Morvane"))
                             .value(QStringLiteral("folders/") + kind)
                             .toString();
  return !folder.isEmpty() && QDir(folder).exists() ? folder : QString();
}

void RememberFolder(const QString &kind, const QString &folder) {
  if (!folder.isEmpty())
    QSettings(QStringLiteral("Morvane"), QStringLiteral("Morvane"))
        .setValue(QStringLiteral("folders/") + kind, folder);
}

std::unique_ptr<QFileDialog> NewFileDialog(QWidget *owner, const QString &current,
                                           const QString &kind) {
  auto dialog = std::make_unique<ProgramFileDialog>(owner, kind);
  if (current.isEmpty()) {
    QString folder = LastFolders().value(kind, RememberedFolder(kind));
    dialog->setDirectory(folder.isEmpty() ? QDir::currentPath() : folder);
  } else {
    const QFileInfo chosen(current);
    dialog->setDirectory(chosen.absolutePath());
    dialog->selectFile(chosen.absoluteFilePath());
  }
  // The empty folder is no place to go back to.
  QStringList history = dialog->history();
  history.removeAll(EmptyFolder());
  dialog->setHistory(history);
  return dialog;
}

} // namespace morvane::ui
