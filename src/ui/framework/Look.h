// How every window of the program looks beyond its layout: readable disabled
// controls, edit fields wide enough for their text, and a keyboard focus that
// shows on the aqua background.
#pragma once

class QLabel;
class QLineEdit;
class QStyle;
class QWidget;

namespace morvane::ui {

// Disabled controls drawn dark enough to be read: disabled edit fields are
// the read-only displays (file names, ranges, computed survivals), and a
// disabled option must still say what it is.
void UseReadableDisabledColours(QWidget *widget);

// Keeps `field` at least as wide as its whole text needs (and at least at
// its designed minimum), whatever the text becomes, within a share of the
// screen. Every edit field of a window gets this when the window is first
// shown, so that no display cuts the number or name it shows.
void FitFieldToText(QLineEdit *field);
// A field kept at the width its layout gives it whatever its text (a
// command line, which scrolls): FitFieldToText leaves it alone.
void KeepFieldWidth(QLineEdit *field);

// A caption that wraps keeps at least 26 characters a line and the height
// of its lines at that width: a window at its least size shows it whole
// rather than the first line of each row. Every caption of a window gets this
// when the window is first shown; captions that do not wrap are left alone.
void KeepWrappedCaptionWhole(QLabel *caption);

// The program's style: the platform's own, with the keyboard focus on a
// button or an option drawn as a dark frame.
QStyle *NewProgramStyle();

} // namespace morvane::ui
