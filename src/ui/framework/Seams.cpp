#include "framework/Seams.h"

#include <QMessageBox>
#include <QWidget>

#include "framework/FileDialogs.h"

namespace morvane::ui {
namespace {

class QtMessageBoxes : public MessageBoxSeam {
public:
  void ShowMessage(QWidget *owner, const QString &text) override {
    QMessageBox box(QMessageBox::NoIcon, owner ? owner->window()->windowTitle() : QString(),
                    QString(), QMessageBox::Ok, owner);
    // The texts are laid out with spaces and line feeds (the farewell's
    // indent, the About box's centred lines): shown as given, long lines
    // folded where they must be.
    box.setTextFormat(Qt::RichText);
    box.setText(QStringLiteral("<div style=\"white-space:pre-wrap\">") + text.toHtmlEscaped() +
                QStringLiteral("</div>"));
    box.exec();
  }
};

class NoHelpViewer : public HelpViewerSeam {
public:
  void ShowContents(const QString &) override {}
  void ShowTopic(const QString &, int) override {}
  void CloseViewer() override {}
};

QtMessageBoxes productionMessages;
NoHelpViewer noHelp;

MessageBoxSeam *messages = &productionMessages;
FileDialogSeam *dialogs = nullptr; // the program's own dialogs
HelpViewerSeam *productionHelp = &noHelp;
HelpViewerSeam *help = nullptr;

} // namespace

MessageBoxSeam &Messages() { return *messages; }
FileDialogSeam &FileDialogs() { return dialogs ? *dialogs : ProgramFileDialogs(); }
HelpViewerSeam &Help() { return help ? *help : *productionHelp; }

void SetMessages(MessageBoxSeam *seam) { messages = seam ? seam : &productionMessages; }
void SetFileDialogs(FileDialogSeam *seam) { dialogs = seam; }
void SetHelp(HelpViewerSeam *seam) { help = seam; }
void SetProductionHelp(HelpViewerSeam *seam) { productionHelp = seam ? seam : &noHelp; }

} // namespace morvane::ui
