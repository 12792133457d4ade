// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MovesWindow.h"

#include "rules/MatchRecord.h"
#include "rules/Notation.h"
#include "ui/MatchFile.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QListWidget>
#include <QScreen>
#include <QVBoxLayout>

namespace sorvada {

MovesWindow::MovesWindow(const MatchRecord &record, QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint), record(record)
{
    setWindowTitle(tr("Moves"));
    auto *layout = new QVBoxLayout(this);
    setList = new QComboBox(this);
    setList->setAccessibleName(tr("Set"));
    moveList = new QListWidget(this);
    moveList->setAccessibleName(tr("Moves of the set"));
    moveList->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(setList);
    layout->addWidget(moveList);
    resize(230, 330);

    auto *copy = new QAction(tr("&Copy as PDN"), this);
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WindowShortcut);
    connect(copy, &QAction::triggered, this, &MovesWindow::copySet);
    addAction(copy);
    moveList->addAction(copy);
    moveList->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(setList, &QComboBox::currentIndexChanged, this, [this] { fillRows(); });

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.right() - width() - 20, area.top() + 40);
    }
    refresh();
}

void MovesWindow::refresh()
{
    const int count = static_cast<int>(record.setCount());
    const bool atNewest = setList->currentIndex() < 0 || setList->currentIndex() == setList->count() - 1;
    {
        const QSignalBlocker quiet(setList);
        while (setList->count() > count)
            setList->removeItem(setList->count() - 1);
        for (int i = setList->count(); i < count; ++i)
            setList->addItem(tr("Set %1").arg(i + 1));
        if (atNewest && count > 0)
            setList->setCurrentIndex(count - 1);
    }
    fillRows();
}

void MovesWindow::showAndActivate()
{
    show();
    raise();
    activateWindow();
}

int MovesWindow::shownSet() const
{
    return setList->currentIndex();
}

void MovesWindow::showSet(int index)
{
    setList->setCurrentIndex(index);
}

QStringList MovesWindow::rows() const
{
    QStringList all;
    for (int i = 0; i < moveList->count(); ++i)
        all << moveList->item(i)->text();
    return all;
}

int MovesWindow::markedRow() const
{
    return newestRow;
}

void MovesWindow::copySet()
{
    const int index = setList->currentIndex();
    if (index < 0)
        return;
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(setPdn(record, static_cast<size_t>(index), QDate::currentDate())));
}

void MovesWindow::fillRows()
{
    moveList->clear();
    newestRow = -1;
    const int index = setList->currentIndex();
    if (index < 0)
        return;
    const SetRecord set = record.set(static_cast<size_t>(index));
    setList->setItemText(index, tr("Set %1: %2 - %3")
                                    .arg(index + 1)
                                    .arg(QString::fromStdString(set.firstMoverName),
                                         QString::fromStdString(set.secondMoverName)));
    for (size_t i = 0; i < set.moves.size(); i += 2) {
        QString row = QStringLiteral("%1. %2").arg(i / 2 + 1).arg(QString::fromStdString(moveNotation(set.variant, set.moves[i])));
        if (i + 1 < set.moves.size())
            row += QLatin1Char(' ') + QString::fromStdString(moveNotation(set.variant, set.moves[i + 1]));
        moveList->addItem(row);
    }
    newestRow = moveList->count() - 1;
    if (newestRow >= 0) {
        QListWidgetItem *newest = moveList->item(newestRow);
        QFont bold = newest->font();
        bold.setBold(true);
        newest->setFont(bold);
        moveList->setCurrentRow(newestRow);
    }
    if (set.result != SetResult::InPlay)
        moveList->addItem(QString::fromStdString(resultText(set)));
    if (newestRow >= 0)
        moveList->scrollToItem(moveList->item(moveList->count() - 1));
}

} // namespace sorvada
