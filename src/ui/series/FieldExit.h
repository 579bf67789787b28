// The field-exit rule applied to an edit field of a window: the field's text
// goes through the rule with the locale's decimal separator, and the field
// shows the canonical text of what the state now holds.
#pragma once

#include "engine/FieldRules.h"

#include <QString>
#include <array>

class QLineEdit;
class QWidget;

namespace morvane::ui {

// Returns false when a substitute was stored; the caller then shows the
// rule's message and puts the focus back into the field.
bool RunFieldRule(QLineEdit *field, const FieldRule &rule, SimState &s);

// The DG range held in the state, as the read-only range field shows it.
QString DGRangeDisplay(const SimState &s);

// The four clone frequencies X1..X4 held in the state, in their fields.
void ShowCloneFrequencies(const std::array<QLineEdit *, 4> &fields, const SimState &s);

// Disabled edit fields serve as read-only displays (file names, ranges,
// computed survivals): their text is drawn dark enough to be read.
void MakeDisplayFieldsReadable(QWidget *window);

} // namespace morvane::ui
