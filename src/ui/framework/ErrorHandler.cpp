#include "ui/framework/ErrorHandler.h"

#include <QFile>
#include <QKeyEvent>
#include <QWidget>

#include "files/TextFile.h"
#include "ui/framework/Help.h"
#include "ui/framework/Look.h"
#include "ui/framework/MorvaneForm.h"
#include "ui/framework/Seams.h"

namespace morvane::ui {

QString ErrorText(const std::exception &e) {
  QString text = QString::fromUtf8(e.what());
  if (const auto *file = dynamic_cast<const FileError *>(&e); file && !file->Path().empty())
    text += '\n' + QFile::decodeName(file->Path().c_str());
  return text;
}

void ReportError(QWidget *owner, const std::exception &e) {
  Messages().ShowMessage(owner, ErrorText(e));
}

MorvaneApplication::MorvaneApplication(int &argc, char **argv) : QApplication(argc, argv) {
  setStyle(NewProgramStyle());
}

bool MorvaneApplication::notify(QObject *receiver, QEvent *event) {
  try {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F1) {
      // The help key, for the window that holds the keyboard focus.
      auto *widget = qobject_cast<QWidget *>(receiver);
      auto *form = widget ? qobject_cast<MorvaneForm *>(widget->window()) : nullptr;
      if (form) {
        HelpKeyPressed(form->HelpContext());
        return true;
      }
    }
    return QApplication::notify(receiver, event);
  } catch (const std::exception &e) {
    auto *widget = qobject_cast<QWidget *>(receiver);
    ReportError(widget ? widget->window() : activeWindow(), e);
    return true;
  }
}

} // namespace morvane::ui
