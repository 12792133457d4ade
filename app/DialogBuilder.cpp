// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/DialogBuilder.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <vector>

#include "app/ResourceIds.h"
#include "app/Resources.h"
#include "app/StringTable.h"

namespace sorvada {

namespace dlg {

BaseUnits baseUnits(const QFont &font)
{
    const QFontMetrics metrics(font);
    // The average width of the 52 letters, rounded to the nearest pixel.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return BaseUnits{qreal((letters / 26 + 1) / 2), qreal(metrics.height())};
}

namespace {

int scale(int units, qreal base, int divisor)
{
    return qRound(units * base / divisor);
}

// The pixels a control needs across to show its whole text.
int neededWidth(const QWidget *widget, const QFontMetrics &fm)
{
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return label->pixmap().isNull() ? fm.horizontalAdvance(label->text()) : 0;
    if (auto *radio = qobject_cast<const QRadioButton *>(widget))
        return radio->sizeHint().width();
    if (auto *box = qobject_cast<const QGroupBox *>(widget))
        return fm.horizontalAdvance(box->title()) + 16;
    if (auto *button = qobject_cast<const QPushButton *>(widget))
        return fm.horizontalAdvance(button->text()) + 8;
    return 0;
}

QString shownText(const char *source, unsigned flags)
{
    if (!source || !*source)
        return QString();
    if (flags & Verbatim)
        return QString::fromUtf8(source);
    return QCoreApplication::translate(TranslationContext, source);
}

const char unitsX[] = "dialogUnitX";
const char unitsY[] = "dialogUnitY";

Qt::Alignment textAlignment(unsigned flags)
{
    return (flags & Center) ? Qt::AlignHCenter | Qt::AlignTop : Qt::AlignLeft | Qt::AlignTop;
}

// Creates one control; rect is where the font's own units put it, which an
// icon is drawn to fit. The final geometry is set afterwards.
QWidget *makeControl(QDialog *dialog, const Control &c, const QRect &rect,
                     QButtonGroup *&radioGroup)
{
    const QString text = shownText(c.text, c.flags);
    QWidget *widget = nullptr;
    switch (c.kind) {
    case Kind::Label: {
        auto *label = new QLabel(text, dialog);
        label->setAlignment(textAlignment(c.flags));
        label->setTextFormat(Qt::PlainText);
        widget = label;
        break;
    }
    case Kind::Edit: {
        auto *edit = new QLineEdit(text, dialog);
        edit->setReadOnly(c.flags & ReadOnly);
        widget = edit;
        break;
    }
    case Kind::MultiEdit: {
        auto *edit = new QPlainTextEdit(text, dialog);
        edit->setReadOnly(c.flags & ReadOnly);
        edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit->setVerticalScrollBarPolicy((c.flags & VScroll) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAsNeeded);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        widget = edit;
        break;
    }
    case Kind::GroupBox:
        widget = new QGroupBox(text, dialog);
        break;
    case Kind::Radio: {
        auto *radio = new QRadioButton(text, dialog);
        if (!radioGroup) {
            radioGroup = new QButtonGroup(dialog);
            radioGroup->setExclusive(true);
        }
        radioGroup->addButton(radio, c.id);
        widget = radio;
        break;
    }
    case Kind::Button: {
        auto *button = new QPushButton(text, dialog);
        button->setAutoDefault(false);
        button->setDefault(c.flags & Default);
        widget = button;
        break;
    }
    case Kind::ListBox: {
        auto *list = new QListWidget(dialog);
        list->setSortingEnabled(false);
        list->setVerticalScrollBarPolicy((c.flags & VScroll) ? Qt::ScrollBarAlwaysOn
                                                             : Qt::ScrollBarAsNeeded);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        if (c.flags & NoSelect)
            list->setSelectionMode(QAbstractItemView::NoSelection);
        widget = list;
        break;
    }
    case Kind::Icon: {
        auto *label = new QLabel(dialog);
        const int side = qMin(rect.width(), rect.height());
        label->setPixmap(loadAppIcon().pixmap(side, side));
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    }
    if (c.id != NoId)
        widget->setObjectName(QString::number(c.id));
    if (c.flags & TabStop)
        widget->setFocusPolicy(Qt::StrongFocus);
    else if (c.kind == Kind::Edit || c.kind == Kind::MultiEdit || c.kind == Kind::ListBox)
        widget->setFocusPolicy(Qt::ClickFocus);
    else
        widget->setFocusPolicy(Qt::NoFocus);
    return widget;
}

} // namespace

QRect toPixels(const BaseUnits &units, int x, int y, int w, int h)
{
    return QRect(scale(x, units.x, 4), scale(y, units.y, 8), scale(w, units.x, 4),
                 scale(h, units.y, 8));
}

BaseUnits unitsOf(const QWidget *dialog)
{
    const QVariant x = dialog->property(unitsX);
    const QVariant y = dialog->property(unitsY);
    if (!x.isValid() || !y.isValid())
        return baseUnits(dialog->font());
    return BaseUnits{x.toReal(), y.toReal()};
}

void build(QDialog *dialog, const Template &t)
{
    BaseUnits units = baseUnits(dialog->font());

    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    flags |= (t.frame & ToolWindow) ? Qt::Tool : Qt::Dialog;
    if (t.frame & CloseBox)
        flags |= Qt::WindowCloseButtonHint;
    dialog->setWindowFlags(flags);
    dialog->setWindowTitle(shownText(t.title, 0));
    dialog->setObjectName(QString::number(t.id));
    dialog->setSizeGripEnabled(false);

    QButtonGroup *radioGroup = nullptr;
    QWidget *previous = nullptr;
    std::vector<QWidget *> widgets;
    for (const Control &c : t.controls) {
        if (c.flags & Group)
            radioGroup = nullptr; // the next radio button opens a new group
        QWidget *widget = makeControl(dialog, c, toPixels(units, c.x, c.y, c.w, c.h), radioGroup);
        widgets.push_back(widget);
        if (widget->focusPolicy() != Qt::NoFocus) {
            if (previous)
                QWidget::setTabOrder(previous, widget);
            previous = widget;
        }
    }

    // Widen the horizontal unit until every text fits, within reason.
    const QFontMetrics fm(dialog->font());
    const qreal fontUnit = units.x;
    for (size_t i = 0; i < widgets.size(); ++i) {
        const Control &c = t.controls[i];
        if (c.w <= 0)
            continue;
        const qreal wanted = neededWidth(widgets[i], fm) * 4.0 / c.w;
        units.x = qMax(units.x, (c.flags & Verbatim) ? qMin(fontUnit * 1.5, wanted) : wanted);
    }
    dialog->setProperty(unitsX, units.x);
    dialog->setProperty(unitsY, units.y);
    for (size_t i = 0; i < widgets.size(); ++i) {
        const Control &c = t.controls[i];
        widgets[i]->setGeometry(toPixels(units, c.x, c.y, c.w, c.h));
    }
    const QRect client = toPixels(units, 0, 0, t.width, t.height);
    dialog->setFixedSize(client.size());
}

void setRadio(QRadioButton *button, bool checked)
{
    if (!button || button->isChecked() == checked)
        return;
    QButtonGroup *group = button->group();
    const bool exclusive = group && group->exclusive();
    const bool autoExclusive = button->autoExclusive();
    if (group)
        group->setExclusive(false);
    button->setAutoExclusive(false);
    if (checked && exclusive) {
        // Checking one button of an exclusive group unchecks the others.
        for (QAbstractButton *other : group->buttons())
            other->setChecked(false);
    }
    button->setChecked(checked);
    button->setAutoExclusive(autoExclusive);
    if (group)
        group->setExclusive(exclusive);
}

namespace {

// Keeps the field's text within the typing limit after each change the user
// makes; programmatic changes are taken as they come. The field reports a
// user edit with two signals whose order is not promised, so both only note
// the text before the latest change, and the check runs on the user's one.
class TypingLimiter : public QObject
{
public:
    TypingLimiter(QLineEdit *field, int maxChars)
        : QObject(field), field(field), maxChars(maxChars), before(field->text()),
          last(field->text())
    {
        connect(field, &QLineEdit::textChanged, this, &TypingLimiter::note);
        connect(field, &QLineEdit::textEdited, this, &TypingLimiter::edited);
    }

private:
    void note(const QString &text)
    {
        if (fixing || text != field->text())
            return; // our own correction, or a stale report of an undone edit
        if (text != last) {
            before = last;
            last = text;
        }
    }

    void edited(const QString &text)
    {
        note(text);
        if (fixing || text != field->text())
            return;
        if (text.size() <= maxChars || text.size() <= before.size())
            return;
        // Find what the edit inserted in place of what: the common head and
        // tail of the old and new text frame it.
        qsizetype head = 0;
        while (head < before.size() && head < text.size() && before[head] == text[head])
            ++head;
        qsizetype tail = 0;
        while (tail < before.size() - head && tail < text.size() - head
               && before[before.size() - 1 - tail] == text[text.size() - 1 - tail])
            ++tail;
        const qsizetype inserted = text.size() - head - tail;
        const qsizetype kept = text.size() - inserted; // old characters left
        const qsizetype room = qMax<qsizetype>(0, maxChars - kept);
        const qsizetype take = qMin(inserted, room);
        const QString fixed = text.left(head + take) + text.right(tail);
        fixing = true;
        field->setText(fixed);
        field->setCursorPosition(int(head + take));
        fixing = false;
        before = last = fixed;
    }

    QLineEdit *field;
    int maxChars;
    QString before; // the text before the latest change
    QString last;   // the latest text seen
    bool fixing = false;
};

} // namespace

void limitTyping(QLineEdit *field, int maxChars)
{
    for (QObject *child : field->children()) {
        if (auto *old = dynamic_cast<TypingLimiter *>(child))
            delete old;
    }
    new TypingLimiter(field, maxChars);
}

int messageBoxMinimumWidth(const QWidget *box, const QString &title)
{
    // The caption is drawn by the desktop in a font of its own, often bold
    // and larger; the box's font in bold, with room for an icon and three
    // caption buttons of a line's height each, is a fair measure of it.
    QFont captionFont = box->font();
    captionFont.setBold(true);
    const QFontMetrics fm(captionFont);
    return fm.horizontalAdvance(title) + 4 * (fm.height() + 8) + 2 * fm.height();
}

namespace {

QMessageBox::StandardButton runBox(QMessageBox &box, QWidget *parent, int textWidth = 0)
{
    // Every text of a box is plain: an address or a link the player was sent is shown as typed,
    // never taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    // A narrow box would cut its own caption ("Sor…da"): it is made at least
    // as wide as the title needs, and as a short second line needs to stand
    // on one line beside the icon.
    const int iconRoom = box.iconPixmap().width() + 4 * box.fontMetrics().height();
    const int width = qMax(messageBoxMinimumWidth(&box, box.windowTitle()),
                           qMin(textWidth + iconRoom, 420));
    if (auto *grid = qobject_cast<QGridLayout *>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0,
                                      QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

QMessageBox::StandardButton messageBox(QWidget *parent, const QString &text,
                                       QMessageBox::Icon icon,
                                       QMessageBox::StandardButtons buttons)
{
    QMessageBox box(icon, loadString(res::IDS_APP_TITLE), text, buttons, parent);
    return runBox(box, parent);
}

QMessageBox::StandardButton messageBox(QWidget *parent, const QString &text, const QString &detail,
                                       QMessageBox::Icon icon)
{
    QMessageBox box(icon, loadString(res::IDS_APP_TITLE), text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    return runBox(box, parent, box.fontMetrics().horizontalAdvance(detail));
}

bool confirm(QWidget *parent, const QString &question)
{
    QMessageBox box(QMessageBox::Question, loadString(res::IDS_APP_TITLE), question,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return runBox(box, parent) == QMessageBox::Yes;
}

} // namespace dlg

} // namespace sorvada
