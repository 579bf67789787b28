#include "framework/ErrorHandler.h"

#include <QKeyEvent>
#include <QWidget>

#include "Help.h"
#include "framework/Look.h"
#include "framework/MorvaneForm.h"
#include "framework/Seams.h"

namespace morvane::ui {

void ReportError(QWidget *owner, const std::exception &e) {
  Messages().ShowMessage(owner, QString::fromUtf8(e.what()));
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
