// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CScoreDlg.h"

#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextOption>

#include <algorithm>
#include <iterator>

namespace sorvada {

namespace {

enum : int {
    IDC_LOCAL_NAME = 1004,
    IDC_PEER_NAME = 1005,
    IDC_ROWS = 1006,
    IDC_NUMERO = 1007,
    IDC_PEER_TOTAL = 1008,
    IDC_OWN_TOTAL = 1009,
    IDC_HEADING = 1010,
};

using namespace dlg;

const Control scoreControls[] = {
    {1, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 90, 86, 50, 14, Default | TabStop},
    // The two names and the number sign stand on one line.
    {IDC_LOCAL_NAME, Kind::Label, "", 25, 16, 95, 10, Center},
    {IDC_PEER_NAME, Kind::Label, "", 122, 16, 87, 10, Center},
    {IDC_ROWS, Kind::ListBox, "", 5, 27, 216, 40, VScroll | NoSelect},
    {IDC_NUMERO, Kind::Label, "", 5, 16, 11, 10, Center},
    {IDC_PEER_TOTAL, Kind::Label, "", 159, 67, 18, 8, Center},
    {IDC_OWN_TOTAL, Kind::Label, "", 63, 67, 18, 8, Center},
    {IDC_HEADING, Kind::Label, "", 35, 3, 166, 10, Center},
};

const Template scoreTemplate{res::IDD_SCORE, QT_TRANSLATE_NOOP("Dialogs", "Sorvada "), 229, 115, CloseBox, scoreControls};

// The list expands the tabs of a row to stops every 32 dialog units, which
// puts the three numbers under the number sign and the two totals.
constexpr int TabStopUnits = 32;

class TabbedRowDelegate : public QStyledItemDelegate
{
public:
    TabbedRowDelegate(qreal tabPixels, QObject *parent)
        : QStyledItemDelegate(parent), tabPixels(tabPixels)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        const QString text = plain.text;
        plain.text.clear();
        plain.widget->style()->drawControl(QStyle::CE_ItemViewItem, &plain, painter, plain.widget);
        QTextOption layout(Qt::AlignLeft | Qt::AlignVCenter);
        layout.setTabStopDistance(tabPixels);
        layout.setWrapMode(QTextOption::NoWrap);
        painter->save();
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(QRectF(option.rect).adjusted(2, 0, 0, 0), text, layout);
        painter->restore();
    }

private:
    qreal tabPixels;
};

} // namespace

CScoreDlg::CScoreDlg(QWidget *parent) : QObject(parent) {}

CScoreDlg::~CScoreDlg()
{
    delete window.data();
}

void CScoreDlg::AddResult(int own, int opponent, const QString &heading)
{
    headingText = heading;
    if (own == -1)
        return; // only the heading changes
    ownSum += own;
    opponentSum += opponent;
    rowTexts.append(QString::asprintf("%d\t\t%d\t\t\t%d", int(rowTexts.size() + 1), own, opponent));
}

void CScoreDlg::refresh()
{
    QDialog *d = window.data();
    if (!d)
        return;
    control<QLabel>(d, IDC_HEADING)->setText(headingText);
    control<QLabel>(d, IDC_NUMERO)->setText(QStringLiteral("\u2116"));
    control<QLabel>(d, IDC_LOCAL_NAME)->setText(localName);
    control<QLabel>(d, IDC_PEER_NAME)->setText(peerName);
    control<QLabel>(d, IDC_OWN_TOTAL)->setText(QString::number(ownSum));
    control<QLabel>(d, IDC_PEER_TOTAL)->setText(QString::number(opponentSum));
    QListWidget *list = control<QListWidget>(d, IDC_ROWS);
    list->clear();
    for (qsizetype i = rowTexts.size() - 1; i >= 0; --i)
        list->addItem(rowTexts.at(i)); // newest on top, set 1 at the bottom
}

void CScoreDlg::showModal(QWidget *owner, const QString &local, const QString &peer)
{
    localName = local;
    peerName = peer;

    if (window) {
        // Already shown further down the stack: show the new state there and
        // wait for the user to close it, as a modal run would.
        QPointer<QDialog> open = window;
        refresh();
        open->raise();
        open->activateWindow();
        QEventLoop wait;
        connect(open, &QDialog::finished, &wait, &QEventLoop::quit);
        connect(open, &QObject::destroyed, &wait, &QEventLoop::quit);
        if (open && open->isVisible())
            wait.exec();
        return;
    }

    // The dialog is a child of its owner, so that it goes with the owner if
    // the owner is destroyed while it is open.
    auto *d = new QDialog(owner);
    // Built with the names in place, so that the dialog is laid out wide
    // enough to show both whole; the names are shown as the players wrote
    // them, never translated. The heading is laid out as the widest of this
    // one and those a set's end may put there while the dialog is open.
    const QByteArray localText = local.toUtf8();
    const QByteArray peerText = peer.toUtf8();
    const QFontMetrics metrics(d->font());
    QString widestHeading = headingText;
    for (int id : {res::IDS_RESULTS, res::IDS_YOU_WIN, res::IDS_YOU_LOSE, res::IDS_SET_DRAWN}) {
        const QString heading = loadString(id);
        if (metrics.horizontalAdvance(heading) > metrics.horizontalAdvance(widestHeading))
            widestHeading = heading;
    }
    const QByteArray headingBytes = widestHeading.toUtf8();
    Control named[std::size(scoreControls)];
    std::copy(std::begin(scoreControls), std::end(scoreControls), named);
    for (Control &c : named) {
        if (c.id == IDC_LOCAL_NAME)
            c.text = localText.constData();
        else if (c.id == IDC_PEER_NAME)
            c.text = peerText.constData();
        else if (c.id == IDC_HEADING)
            c.text = headingBytes.constData();
        if (c.kind == Kind::Label)
            c.flags |= Verbatim;
    }
    Template namedTemplate = scoreTemplate;
    namedTemplate.controls = named;
    build(d, namedTemplate);
    d->setWindowModality(Qt::WindowModal);
    const BaseUnits units = unitsOf(d);
    QListWidget *list = control<QListWidget>(d, IDC_ROWS);
    list->setItemDelegate(new TabbedRowDelegate(toPixels(units, 0, 0, TabStopUnits, 0).width(), list));
    QPushButton *ok = control<QPushButton>(d, 1);
    connect(ok, &QPushButton::clicked, d, &QDialog::accept);
    window = d;
    refresh();
    ok->setFocus(Qt::OtherFocusReason);

    d->exec();
    delete window.data();
}

} // namespace sorvada
