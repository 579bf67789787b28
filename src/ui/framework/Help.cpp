#include "ui/framework/Help.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>

namespace morvane::ui {
namespace {

QString helpFileName;

// The viewer's window: Esc closes it, as it closes a dialog.
class HelpBrowser : public QTextBrowser {
protected:
  void keyPressEvent(QKeyEvent *e) override {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
      hide();
      return;
    }
    QTextBrowser::keyPressEvent(e);
  }
};

} // namespace

QString HelpFileName() { return helpFileName; }
void ForgetHelpFileName() { helpFileName.clear(); }

void HelpMenuRequested() {
  helpFileName = QStringLiteral("HelpMorvane.hlp");
  Help().ShowContents(helpFileName);
}

void HelpKeyPressed(int context) {
  if (helpFileName.isEmpty() || context == 0)
    return;
  Help().ShowTopic(helpFileName, context);
}

QString TopicAnchor(int context) { return QStringLiteral("context-%1").arg(context); }

TextHelpViewer::TextHelpViewer() = default;
TextHelpViewer::~TextHelpViewer() = default;

QString TextHelpViewer::Locate(const QString &helpFile) {
  // An installed program finds its data folder from its own folder, wherever
  // the tree was installed or unpacked.
  const QString programDir = QCoreApplication::applicationDirPath();
  const QString folders[] = {QDir::currentPath(), programDir,
                             programDir + QStringLiteral("/" MORVANE_DATA_DIR_FROM_PROGRAM)};
  for (const QString &folder : folders) {
    const QFileInfo file(QDir(folder), helpFile);
    if (file.isFile())
      return file.absoluteFilePath();
  }
  return {};
}

bool TextHelpViewer::Open(const QString &helpFile) {
  const QString path = Locate(helpFile);
  if (path.isEmpty()) {
    Messages().ShowMessage(browser_ ? browser_.get() : nullptr,
                           QStringLiteral("Cannot find the help file %1.").arg(helpFile));
    return false;
  }
  if (!browser_) {
    browser_ = std::make_unique<HelpBrowser>();
    browser_->setObjectName(QStringLiteral("HelpViewer"));
    browser_->setOpenExternalLinks(false);
    browser_->resize(900, 700);
  }
  if (loaded_ != path) {
    // The file is HTML whatever its extension says.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
      Messages().ShowMessage(browser_.get(),
                             QStringLiteral("Cannot open the help file %1.").arg(helpFile));
      return false;
    }
    browser_->setHtml(QString::fromUtf8(file.readAll()));
    browser_->setSearchPaths({QFileInfo(path).absolutePath()});
    loaded_ = path;
  }
  browser_->setWindowTitle(QStringLiteral("Morvane v2 help"));
  browser_->show();
  browser_->raise();
  browser_->activateWindow();
  return true;
}

void TextHelpViewer::ShowContents(const QString &helpFile) {
  if (Open(helpFile))
    browser_->scrollToAnchor(QStringLiteral("contents"));
}

void TextHelpViewer::ShowTopic(const QString &helpFile, int context) {
  if (Open(helpFile))
    browser_->scrollToAnchor(TopicAnchor(context));
}

void TextHelpViewer::CloseViewer() {
  if (browser_)
    browser_->hide();
}

} // namespace morvane::ui
