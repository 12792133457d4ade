// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QRect>
#include <QString>
#include <QMessageBox>
#include <QWidget>

#include <span>

class QDialog;
class QFont;
class QLineEdit;
class QRadioButton;

namespace sorvada {

// Builds a dialog from a small table of controls, the way a dialog template
// describes it: every position and size is in dialog units, so the layout
// follows the dialog font. One horizontal unit is a quarter of the font's
// average character width, one vertical unit an eighth of its height.
//
// The texts and the title are English sources, translated when the dialog
// is built (context "Dialogs", marked with QT_TRANSLATE_NOOP where they are
// written); a control marked Verbatim shows its text as given.
//
// Each control gets its number as objectName ("201"), so callers and tests
// find it with control<T>(dialog, 201); unnumbered controls (labels, frames)
// have no name. Tab order is the order of the table.
namespace dlg {

enum class Kind {
    Label,     // static text
    Edit,      // one-line edit field with a border
    MultiEdit, // several lines, word-wrapped, with a border
    GroupBox,  // frame with a caption; only draws
    Radio,     // automatic radio button
    Button,    // push button
    ListBox,   // list of text rows
    Icon,      // the program's icon
};

enum Flag : unsigned {
    Default = 1u << 0,    // the button Enter presses
    TabStop = 1u << 1,    // reached with Tab
    Group = 1u << 2,      // starts a new group of radio buttons
    ReadOnly = 1u << 3,   // edit field the user cannot change
    Center = 1u << 4,     // centred text
    VScroll = 1u << 5,    // vertical scroll bar always shown
    NoSelect = 1u << 6,   // list rows cannot be selected
    Verbatim = 1u << 7,   // the text is shown as given, never translated (names, versions)
};

inline constexpr int NoId = -1;

struct Control {
    int id;
    Kind kind;
    const char *text;
    int x, y, w, h;
    unsigned flags = 0;
};

enum Frame : unsigned {
    CloseBox = 1u << 0,   // caption with a close box
    ToolWindow = 1u << 1, // small caption, no task-bar entry, no owner
};

// The context the builder translates template texts in.
inline constexpr char TranslationContext[] = "Dialogs";

struct Template {
    int id;
    const char *title; // exact, trailing blanks included
    int width, height; // client area, dialog units
    unsigned frame;
    std::span<const Control> controls;
};

// Horizontal and vertical base units, in pixels: the average character
// width and the line height of the dialog font.
struct BaseUnits {
    qreal x = 0;
    qreal y = 0;
};

// The base units of a font: the average width of the letters and the height.
BaseUnits baseUnits(const QFont &font);

// The base units a built dialog uses. They are the font's, except that the
// horizontal unit is widened where a text of the dialog would otherwise not
// fit its control: fonts differ in how wide their common letters are against
// their average, a translation is often longer than the English, and a
// cut-off label helps nobody. The whole dialog grows with the unit, so its
// controls keep their places relative to each other. For a translated text
// the unit grows as far as it needs; for a verbatim one (a player's name) at
// most by half, so that no name can blow the dialog up.
BaseUnits unitsOf(const QWidget *dialog);

// Converts a rectangle in dialog units to pixels for the given base units.
QRect toPixels(const BaseUnits &units, int x, int y, int w, int h);

// Creates the controls of the template as children of the dialog, sets its
// title, frame and fixed client size. Call once, from the dialog's
// constructor, after its font is set.
void build(QDialog *dialog, const Template &dialogTemplate);

// The control with the given number, or nullptr.
template <class T>
T *control(const QWidget *dialog, int id)
{
    return dialog->findChild<T *>(QString::number(id), Qt::FindDirectChildrenOnly);
}

// Checks or unchecks a radio button even when it is the checked button of
// its group (an exclusive group normally refuses that), so that a dialog can
// open with no button of the group checked.
void setRadio(QRadioButton *button, bool checked);

// Limits what the user can type into the field to maxChars characters, as
// the field's typing limit: typed or pasted text that would pass the limit is
// cut to fit, but a longer text that the program put there is kept whole
// (and can still be shortened). QLineEdit::setMaxLength would cut it.
void limitTyping(QLineEdit *field, int maxChars);

// A message box titled with the program's name, modal over its parent's
// window only, so that the chat window stays usable while it is open.
// Returns the button that closed it.
QMessageBox::StandardButton messageBox(QWidget *parent, const QString &text,
                                       QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons = QMessageBox::Ok);

// The same with a second line under the message that says more about it.
QMessageBox::StandardButton messageBox(QWidget *parent, const QString &text, const QString &detail,
                                       QMessageBox::Icon icon);

// Asks a Yes / No question with the question icon; No is the default, so
// that Enter never does the irreversible. True when the answer was Yes.
bool confirm(QWidget *parent, const QString &question);

// The least width of a message box whose caption is the given title: the
// title itself, the caption's icon and buttons and the frame beside it.
int messageBoxMinimumWidth(const QWidget *box, const QString &title);

} // namespace dlg

} // namespace sorvada
