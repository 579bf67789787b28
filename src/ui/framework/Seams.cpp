#include "ui/framework/Seams.h"

#include <QMessageBox>
#include <QPushButton>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "ui/framework/FileDialogs.h"

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
  int Ask(QWidget *owner, const QString &text, const QStringList &answers) override {
    QMessageBox box(QMessageBox::Question, owner ? owner->window()->windowTitle() : QString(), text,
                    QMessageBox::NoButton, owner);
    std::vector<QAbstractButton *> buttons;
    for (const QString &answer : answers)
      buttons.push_back(box.addButton(answer, QMessageBox::ActionRole));
    box.setEscapeButton(buttons.back());
    box.setDefaultButton(static_cast<QPushButton *>(buttons.back()));
    box.exec();
    const auto chosen = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return chosen == buttons.end() ? static_cast<int>(answers.size()) - 1
                                   : static_cast<int>(chosen - buttons.begin());
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

bool MessageBoxSeam::AskYesNo(QWidget *owner, const QString &text) {
  return QMessageBox::question(owner, owner ? owner->window()->windowTitle() : QString(), text,
                               QMessageBox::Yes | QMessageBox::No,
                               QMessageBox::No) == QMessageBox::Yes;
}

MessageBoxSeam &Messages() { return *messages; }
FileDialogSeam &FileDialogs() { return dialogs ? *dialogs : ProgramFileDialogs(); }
HelpViewerSeam &Help() { return help ? *help : *productionHelp; }

void SetMessages(MessageBoxSeam *seam) { messages = seam ? seam : &productionMessages; }
void SetFileDialogs(FileDialogSeam *seam) { dialogs = seam; }
void SetHelp(HelpViewerSeam *seam) { help = seam; }
void SetProductionHelp(HelpViewerSeam *seam) { productionHelp = seam ? seam : &noHelp; }

} // namespace morvane::ui
