// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

namespace sorvada {

// The score of the run: one row per finished set, the two totals and the
// heading of the last occasion, shown in the score dialog on request.
//
// One object lives for the whole run and keeps the results; the dialog window
// itself exists only while it is shown, as a child of the window that asked
// for it. If a set ends while the dialog is already open (the game goes on
// handling the peer during the modal run), the new row is recorded, the open
// dialog is refreshed in place, and the second caller waits until the user
// closes that same dialog.
class CScoreDlg : public QObject
{
    Q_OBJECT
public:
    explicit CScoreDlg(QWidget *parent = nullptr);
    ~CScoreDlg() override;

    // Records the heading; unless own is -1, also adds a row
    // "set\t\town\t\t\topponent" and the points to the totals.
    void AddResult(int own, int opponent, const QString &heading);

    // Shows the score modally over owner, with the two players' names, and
    // returns when the user has closed it.
    void showModal(QWidget *owner, const QString &localName, const QString &peerName);

    // Rows oldest first, as formatted for the list.
    const QStringList &rows() const { return rowTexts; }
    int ownTotal() const { return ownSum; }
    int opponentTotal() const { return opponentSum; }
    const QString &heading() const { return headingText; }
    // The dialog while it is shown, else nullptr.
    QDialog *dialog() const { return window.data(); }

private:
    void refresh();

    QStringList rowTexts;
    QString headingText;
    int ownSum = 0;
    int opponentSum = 0;
    QString localName;
    QString peerName;
    QPointer<QDialog> window;
};

} // namespace sorvada
