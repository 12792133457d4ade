// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDate>
#include <QDialog>

class QComboBox;
class QListWidget;

namespace sorvada {

class MatchRecord;

// The moves of the match: a modeless tool window with no owner, like the chat window.
// It shows one set at a time in numbered pairs ("1. 11-15 23-19"), the newest move
// visible and marked, the result at the end once the set is over; the list at the top
// picks an earlier set. Copy (Ctrl+C, or the list's context menu) puts the whole set
// shown on the clipboard as a PDN game.
class MovesWindow : public QDialog
{
    Q_OBJECT
public:
    explicit MovesWindow(const MatchRecord &record, QWidget *parent = nullptr);

    // The record has changed: a new set is shown when the player was looking at the
    // newest one.
    void refresh();
    void showAndActivate();
    // The set shown, from 0.
    int shownSet() const;
    void showSet(int index);
    // The rows as shown.
    QStringList rows() const;
    // The row of the newest move, -1 when there is none.
    int markedRow() const;
    // Puts the set shown on the clipboard as PDN.
    void copySet();

private:
    void fillRows();

    const MatchRecord &record;
    QComboBox *setList;
    QListWidget *moveList;
    int newestRow = -1;
};

} // namespace sorvada
