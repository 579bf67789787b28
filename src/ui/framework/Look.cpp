#include "ui/framework/Look.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleOption>
#include <algorithm>

namespace morvane::ui {
namespace {

// Marks an edit field that already follows its text's width.
constexpr const char *kFitsText = "morvaneFitsText";

// Dark enough against the aqua background and the grey of a button.
const QColor kFocusColour(0x00, 0x20, 0x80);

class ProgramStyle : public QProxyStyle {
public:
  void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                   const QWidget *widget) const override {
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton && (option->state & State_HasFocus)) {
      painter->save();
      painter->setRenderHint(QPainter::Antialiasing, false);
      painter->setPen(QPen(kFocusColour, 2));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option->rect.adjusted(2, 2, -2, -2));
      painter->restore();
    }
  }
  void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
    // The focus frame around an option's caption.
    if (element == PE_FrameFocusRect) {
      painter->save();
      painter->setPen(QPen(kFocusColour, 1));
      painter->setBrush(Qt::NoBrush);
      painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
      painter->restore();
      return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
  }
};

} // namespace

// The least characters a line of a wrapped caption.
constexpr int kLeastCaptionChars = 26;

void UseReadableDisabledColours(QWidget *widget) {
  QPalette pal = widget->palette();
  // A display reads like any text; a disabled caption stays told apart from
  // an enabled one, but is still easy to read on the aqua background.
  pal.setColor(QPalette::Disabled, QPalette::Text, QColor(0x20, 0x20, 0x20));
  pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x60, 0x60, 0x60));
  pal.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x60, 0x60, 0x60));
  widget->setPalette(pal);
}

void KeepFieldWidth(QLineEdit *field) { field->setProperty(kFitsText, true); }

void FitFieldToText(QLineEdit *field) {
  if (field->property(kFitsText).toBool())
    return;
  field->setProperty(kFitsText, true);
  const int designed = field->minimumWidth();
  auto fit = [field, designed](const QString &text) {
    const QFontMetrics fm(field->font());
    // The frame and margins around the text, as the field's own size hint
    // counts them around its room for 17 x.
    const int around = field->sizeHint().width() - 17 * fm.horizontalAdvance(QLatin1Char('x'));
    // Room for the text and the cursor after it.
    const int needed = around + fm.horizontalAdvance(text) + 3;
    const QScreen *screen = field->screen() ? field->screen() : QGuiApplication::primaryScreen();
    // A name longer than most of the screen may not push the window off it;
    // the field then shows the end, which names the file.
    const int most = screen ? screen->availableGeometry().width() * 3 / 5 : needed;
    field->setMinimumWidth(std::max(designed, std::min(needed, most)));
  };
  QObject::connect(field, &QLineEdit::textChanged, field, fit);
  fit(field->text());
}

void KeepWrappedCaptionWhole(QLabel *caption) {
  if (!caption->wordWrap() || caption->text().isEmpty())
    return;
  const int least = std::max(caption->minimumWidth(),
                             caption->fontMetrics().averageCharWidth() * kLeastCaptionChars);
  caption->setMinimumWidth(least);
  caption->setMinimumHeight(std::max(caption->minimumHeight(), caption->heightForWidth(least)));
}

QStyle *NewProgramStyle() { return new ProgramStyle; }

} // namespace morvane::ui
