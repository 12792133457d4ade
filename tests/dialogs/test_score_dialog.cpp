// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CScoreDlg.h"
#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "sim/ModalAnswerer.h"

#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

using namespace sorvada;

using dlg::control;

namespace {

// What the open score dialog shows.
struct Shown {
    QString title, heading, numero, local, peer, ownTotal, peerTotal;
    QStringList rows;
};

Shown read(QWidget *d)
{
    Shown s;
    s.title = d->windowTitle();
    s.heading = control<QLabel>(d, 1010)->text();
    s.numero = control<QLabel>(d, 1007)->text();
    s.local = control<QLabel>(d, 1004)->text();
    s.peer = control<QLabel>(d, 1005)->text();
    s.ownTotal = control<QLabel>(d, 1009)->text();
    s.peerTotal = control<QLabel>(d, 1008)->text();
    QListWidget *list = control<QListWidget>(d, 1006);
    for (int i = 0; i < list->count(); ++i)
        s.rows.append(list->item(i)->text());
    return s;
}

} // namespace

class TestScoreDialog : public QObject
{
    Q_OBJECT
    ModalAnswerer modals;

private slots:
    void initTestCase() { modals.closeStraysAfter(15000); }
    void cleanup() { QCOMPARE(modals.leftOver(), QString()); }

    void emptyScoreBeforeAnySet()
    {
        QWidget window;
        window.show();
        CScoreDlg score;
        score.AddResult(-1, -1, loadString(res::IDS_RESULTS));
        Shown s;
        modals.then([&](QWidget *d) {
            s = read(d);
            QTest::keyClick(d, Qt::Key_Return);
        });
        score.showModal(&window, QStringLiteral("Ann"), QStringLiteral("Bob"));
        QCOMPARE(s.title, QStringLiteral("Sorvada "));
        QCOMPARE(s.heading, QStringLiteral("Results of sets."));
        QCOMPARE(s.rows, QStringList());
        QCOMPARE(s.ownTotal, QStringLiteral("0"));
        QCOMPARE(s.peerTotal, QStringLiteral("0"));
        QCOMPARE(s.numero, QStringLiteral("\u2116"));
        QCOMPARE(s.local, QStringLiteral("Ann"));
        QCOMPARE(s.peer, QStringLiteral("Bob"));
        QVERIFY(score.dialog() == nullptr); // gone once closed
    }

    // Names of the longest kind stand whole, apart, and on one line with the
    // number sign; the rows and totals keep their places under them.
    void twoLongNamesShowWholeOnOneBaseline()
    {
        QWidget window;
        window.show();
        CScoreDlg score;
        score.AddResult(1, 0, loadString(res::IDS_YOU_WIN));
        const QString local(15, QChar(u'W'));
        const QString peer(15, QChar(u'\u0416'));   // Ж
        QRect numero, own, other, list;
        int ownNeeds = 0, otherNeeds = 0;
        modals.then([&](QWidget *d) {
            const auto *ownLabel = control<QLabel>(d, 1004);
            const auto *otherLabel = control<QLabel>(d, 1005);
            numero = control<QLabel>(d, 1007)->geometry();
            own = ownLabel->geometry();
            other = otherLabel->geometry();
            list = control<QListWidget>(d, 1006)->geometry();
            ownNeeds = ownLabel->fontMetrics().horizontalAdvance(ownLabel->text());
            otherNeeds = otherLabel->fontMetrics().horizontalAdvance(otherLabel->text());
            if (qEnvironmentVariableIsSet("SORVADA_SHOW_DIALOGS"))
                d->grab().save(QStringLiteral("score-long-names.png"));
            QTest::keyClick(d, Qt::Key_Return);
        });
        score.showModal(&window, local, peer);
        QVERIFY2(own.width() >= ownNeeds, qPrintable(QStringLiteral("%1 < %2").arg(own.width()).arg(ownNeeds)));
        QVERIFY2(other.width() >= otherNeeds, qPrintable(QStringLiteral("%1 < %2").arg(other.width()).arg(otherNeeds)));
        QVERIFY(!own.intersects(other) && !own.intersects(numero));
        QCOMPARE(own.top(), numero.top());
        QCOMPARE(other.top(), numero.top());
        QCOMPARE(own.height(), other.height());
        QVERIFY(own.bottom() < list.top() + 2);
    }

    // A win, a loss and a draw: newest on top, totals one each; the score
    // command afterwards changes the heading only.
    void winLossDrawNewestFirst()
    {
        QWidget window;
        window.show();
        CScoreDlg score;
        score.AddResult(1, 0, loadString(res::IDS_YOU_WIN));
        score.AddResult(0, 1, loadString(res::IDS_YOU_LOSE));
        score.AddResult(0, 0, loadString(res::IDS_SET_DRAWN));
        QCOMPARE(score.rows(), (QStringList{QStringLiteral("1\t\t1\t\t\t0"),
                                            QStringLiteral("2\t\t0\t\t\t1"),
                                            QStringLiteral("3\t\t0\t\t\t0")}));
        Shown s;
        modals.then([&](QWidget *d) {
            s = read(d);
            QTest::mouseClick(control<QPushButton>(d, 1), Qt::LeftButton);
        });
        score.showModal(&window, QStringLiteral("Ann"), QStringLiteral("Bob"));
        QCOMPARE(s.rows, (QStringList{QStringLiteral("3\t\t0\t\t\t0"),
                                      QStringLiteral("2\t\t0\t\t\t1"),
                                      QStringLiteral("1\t\t1\t\t\t0")}));
        QCOMPARE(s.ownTotal, QStringLiteral("1"));
        QCOMPARE(s.peerTotal, QStringLiteral("1"));
        QCOMPARE(s.heading, QStringLiteral("The set ended in a draw."));

        score.AddResult(-1, -1, loadString(res::IDS_RESULTS));
        score.AddResult(-1, 7, loadString(res::IDS_RESULTS)); // the opponent points are not looked at
        QCOMPARE(score.rows().size(), 3);
        QCOMPARE(score.ownTotal(), 1);
        QCOMPARE(score.opponentTotal(), 1);
        modals.then([&](QWidget *d) {
            s = read(d);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        score.showModal(&window, QStringLiteral("Ann"), QStringLiteral("Bob"));
        QCOMPARE(s.heading, QStringLiteral("Results of sets."));
        QCOMPARE(s.rows.size(), 3);
        QCOMPARE(s.ownTotal, QStringLiteral("1"));
    }

    // A set ends while the score is already open: the row is recorded, the
    // one open dialog shows it, and the second caller goes on only once the
    // user has closed that dialog.
    void setEndingWhileTheScoreIsOpen()
    {
        QWidget window;
        window.show();
        CScoreDlg score;
        score.AddResult(1, 0, loadString(res::IDS_YOU_WIN));

        bool secondReturned = false, secondReturnedTooEarly = true;
        QDialog *first = nullptr;
        int dialogsWhileBoth = 0;
        Shown refreshed;
        modals.then([&](QWidget *d) {
            first = qobject_cast<QDialog *>(d);
            score.AddResult(0, 1, loadString(res::IDS_YOU_LOSE));
            QTimer::singleShot(0, [&] {
                refreshed = read(first);
                dialogsWhileBoth = window.findChildren<QDialog *>().size();
                secondReturnedTooEarly = secondReturned;
                QTest::keyClick(first, Qt::Key_Return);
            });
            score.showModal(&window, QStringLiteral("Ann"), QStringLiteral("Bob"));
            secondReturned = true;
        });
        score.showModal(&window, QStringLiteral("Ann"), QStringLiteral("Bob"));

        QVERIFY(secondReturned);
        QVERIFY(!secondReturnedTooEarly);
        QCOMPARE(dialogsWhileBoth, 1);
        QCOMPARE(refreshed.heading, QStringLiteral("Sorry, you lose this game."));
        QCOMPARE(refreshed.rows, (QStringList{QStringLiteral("2\t\t0\t\t\t1"),
                                              QStringLiteral("1\t\t1\t\t\t0")}));
        QCOMPARE(refreshed.ownTotal, QStringLiteral("1"));
        QCOMPARE(refreshed.peerTotal, QStringLiteral("1"));
        QVERIFY(score.dialog() == nullptr);
        QVERIFY(window.findChildren<QDialog *>().isEmpty());
    }

    // The window that owns the dialog may go while it is open (the opponent
    // quits); the score object and its results outlive it.
    void ownerDestroyedWhileOpen()
    {
        auto *window = new QWidget;
        window->show();
        CScoreDlg score;
        score.AddResult(1, 0, loadString(res::IDS_YOU_WIN));
        modals.then([&](QWidget *) { delete window; });
        score.showModal(window, QStringLiteral("Ann"), QStringLiteral("Bob"));
        QVERIFY(score.dialog() == nullptr);
        QCOMPARE(score.rows().size(), 1);
    }
};

QTEST_MAIN(TestScoreDialog)
#include "test_score_dialog.moc"
