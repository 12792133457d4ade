// SPDX-License-Identifier: GPL-3.0-or-later
// The program speaks the desktop's language. Some cases run under a Russian
// and under a plain C environment (see CMakeLists.txt); the others install
// the Russian translation themselves.
#include "app/CScoreDlg.h"
#include "app/CStartDlg.h"
#include "app/DialogBuilder.h"
#include "app/MainMenu.h"
#include "app/ResourceIds.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "app/Translation.h"
#include "gameapp/CGameApp.h"
#include "sim/ModalAnswerer.h"
#include "sim/TemporarySettings.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

using namespace sorvada;

using dlg::control;

namespace {

// What the four places the player meets first show.
struct Shown
{
    QStringList startDialog; // title, then every text of its controls
    QStringList boxButtons;  // a yes/no question's buttons
    QString boxText;
    QStringList menu;        // titles and items, with their keys and mnemonics
    QString menuPrompt;      // the status tip of the score item
    QString scoreHeading;
    QString scoreButton;
    QStringList scoreNames;
};

QStringList controlTexts(const QWidget *dialog)
{
    QStringList texts{dialog->windowTitle()};
    for (QWidget *w : dialog->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (auto *label = qobject_cast<QLabel *>(w))
            texts.append(label->text());
        else if (auto *button = qobject_cast<QAbstractButton *>(w))
            texts.append(button->text());
        else if (auto *box = qobject_cast<QGroupBox *>(w))
            texts.append(box->title());
    }
    return texts;
}

// With SORVADA_DIALOG_SNAPSHOTS set to a folder, saves what the player
// would see there, to be looked at.
void snapshot(QWidget *widget, const QString &name)
{
    const QString dir = qEnvironmentVariable("SORVADA_DIALOG_SNAPSHOTS");
    if (dir.isEmpty())
        return;
    const QString language = translation::language().isEmpty() ? QStringLiteral("en") : translation::language();
    widget->grab().save(dir + QLatin1Char('/') + name + QLatin1Char('-') + language + QStringLiteral(".png"));
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT
    TemporarySettings settings;
    ModalAnswerer modals;

    // Opens the start dialog, a question, the menu and the score dialog as the
    // program does, and reads what they show.
    Shown showEverything()
    {
        Shown shown;
        SettingsStore store(QStringLiteral("sorvada-translation"));
        CStartDlg start(store);
        modals.then([&](QWidget *d) {
            shown.startDialog = controlTexts(d);
            QTest::keyClick(d, Qt::Key_Escape);
        });
        start.exec();

        modals.then([&](QWidget *d) {
            auto *box = qobject_cast<QMessageBox *>(d);
            if (box) {
                shown.boxText = box->text();
                for (QAbstractButton *b : box->buttons())
                    shown.boxButtons.append(b->text());
                shown.boxButtons.sort();
                snapshot(box, QStringLiteral("question"));
            }
            QTest::keyClick(d, Qt::Key_Escape);
        });
        dlg::confirm(nullptr, loadString(res::IDS_CONFIRM_CAPITULATE));

        QWidget window;
        QMenuBar bar(&window);
        const QHash<int, QAction *> actions = MainMenu::build(&bar, &window);
        for (QAction *title : bar.actions()) {
            shown.menu.append(title->text());
            for (QAction *item : title->menu()->actions())
                if (!item->isSeparator())
                    shown.menu.append(item->text());
            title->menu()->adjustSize();
            snapshot(title->menu(), QStringLiteral("menu-") + QString::number(shown.menu.size()));
        }
        shown.menuPrompt = actions.value(res::ID_SCORE)->statusTip();

        CScoreDlg score;
        score.AddResult(-1, -1, loadString(res::IDS_RESULTS));
        modals.then([&](QWidget *d) {
            shown.scoreHeading = control<QLabel>(d, 1010)->text();
            shown.scoreButton = control<QPushButton>(d, 1)->text();
            shown.scoreNames = {control<QLabel>(d, 1004)->text(), control<QLabel>(d, 1005)->text()};
            QTest::keyClick(d, Qt::Key_Return);
        });
        // Names as the players wrote them, even one that is a translated word.
        score.showModal(nullptr, QStringLiteral("OK"), QStringLiteral("Exit"));
        return shown;
    }

private slots:
    void initTestCase() { modals.closeStraysAfter(15000); }
    void cleanup()
    {
        translation::uninstall();
        QCOMPARE(modals.leftOver(), QString());
    }

    // Run with LANG=ru_RU.UTF-8, and again with LANG=C and LANGUAGE=ru.
    void russianDesktopSpeaksRussian()
    {
        QCOMPARE(CGameApp::InstallTranslations(), QStringLiteral("ru"));
        const Shown shown = showEverything();
        QCOMPARE(shown.startDialog,
                 (QStringList{"Sorvada", "Введите своё имя:", "Начало игры",
                              "Подключиться к игровому серверу", "Стать игровым сервером", "ОК",
                              "Выход", "Подключиться через сервер Tavimore", "Справка"}));
        QCOMPARE(shown.boxText, QStringLiteral("Сдать эту партию?"));
        // Qt's own buttons, in Qt's own Russian.
        QCOMPARE(shown.boxButtons, (QStringList{"&Да", "&Нет"}));
        QCOMPARE(shown.menu.mid(0, 6),
                 (QStringList{"&Игра", "&Предложить ничью", "&Сдаться", "С&чёт\tF9",
                              "&Сохранить партию...\tCtrl+S", "В&ыход"}));
        QCOMPARE(shown.menuPrompt, QStringLiteral("Результаты партий"));
        QCOMPARE(shown.scoreHeading, QStringLiteral("Результаты партий."));
        QCOMPARE(shown.scoreButton, QStringLiteral("ОК"));
        QCOMPARE(shown.scoreNames, (QStringList{"OK", "Exit"}));
    }

    // Run with LANG=C: every text is the English one, byte for byte.
    void plainDesktopSpeaksEnglish()
    {
        QCOMPARE(CGameApp::InstallTranslations(), QString());
        const Shown shown = showEverything();
        QCOMPARE(shown.startDialog,
                 (QStringList{"Sorvada", "Please, enter your name:", "Game beginning",
                              "Connect to the Game Server", "As the Game Server", "OK", "Exit",
                              "Connect through the Tavimore Server", "Help"}));
        QCOMPARE(shown.boxText, QStringLiteral("Give up this set?"));
        QCOMPARE(shown.boxButtons, (QStringList{"&No", "&Yes"}));
        QCOMPARE(shown.menu,
                 (QStringList{"&Game", "&Finish set in a draw", "&I capitulate", "&Score\tF9",
                              "&Save Game...\tCtrl+S", "&Exit", "&Options", "&Chat\tF5",
                              "&Moves\tF4", "&Start alarm", "&Message alarm",
                              "Show the &last move", "&Help", "&Contents\tF1",
                              "&Tavimore on the Web", "&About..."}));
        QCOMPARE(shown.menuPrompt, QStringLiteral("Results of the sets"));
        QCOMPARE(shown.scoreHeading, QStringLiteral("Results of sets."));
        QCOMPARE(shown.scoreButton, QStringLiteral("OK"));
        QCOMPARE(shown.scoreNames, (QStringList{"OK", "Exit"}));
    }

    // A text added to the tables without its translation would reach a
    // Russian player in English.
    void everyTableTextHasARussianTranslation()
    {
        QStringList english;
        std::vector<int> ids;
        for (int id = 0; id <= 0xFFFF; ++id) {
            if (hasString(id)) {
                ids.push_back(id);
                english.append(loadString(id));
            }
        }
        QStringList menuSources;
        for (const MainMenu::Menu &menu : MainMenu::menus()) {
            menuSources.append(QString::fromUtf8(menu.title));
            for (const MainMenu::Item &item : menu.items)
                if (item.text)
                    menuSources.append(QString::fromUtf8(item.text));
        }
        QVERIFY(ids.size() > 40);

        QCOMPARE(translation::install(QLocale(QLocale::Russian, QLocale::Russia)), QStringLiteral("ru"));
        for (size_t i = 0; i < ids.size(); ++i) {
            if (ids[i] == res::IDS_APP_TITLE)
                continue; // the program's name is the same in every language
            QVERIFY2(loadString(ids[i]) != english.at(qsizetype(i)), qPrintable(english.at(qsizetype(i))));
        }
        for (const QString &source : menuSources) {
            const QString shown = QCoreApplication::translate("MainMenu", source.toUtf8().constData());
            QVERIFY2(shown != source, qPrintable(source));
            // The key shown at the right of an item stays the key that works.
            QCOMPARE(shown.section(QLatin1Char('\t'), 1), source.section(QLatin1Char('\t'), 1));
        }
        // The arguments survive translation, so that nothing is shown as "%1".
        QCOMPARE(loadString(res::IDS_NO_ANSWER).arg(QStringLiteral("192.0.2.1"), QStringLiteral("30")),
                 QStringLiteral("192.0.2.1 не ответил за 30 с."));

        translation::uninstall();
        QCOMPARE(loadString(res::IDS_APP_TITLE + 0), QStringLiteral("Sorvada"));
        QCOMPARE(loadString(res::IDS_RESULTS), QStringLiteral("Results of sets."));
    }

    // A language without a translation, or English first among the
    // preferred ones, leaves everything English, Qt's buttons too.
    void otherLanguagesStayEnglish()
    {
        QCOMPARE(translation::install(QLocale(QLocale::German, QLocale::Germany)), QString());
        QCOMPARE(loadString(res::IDS_RESULTS), QStringLiteral("Results of sets."));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), QStringLiteral("&Yes"));
        QCOMPARE(translation::install(QLocale(QLocale::Russian)), QStringLiteral("ru"));
        QCOMPARE(translation::install(QLocale::c()), QString());
        QCOMPARE(translation::language(), QString());
        QCOMPARE(loadString(res::IDS_RESULTS), QStringLiteral("Results of sets."));
    }
};

QTEST_MAIN(TestTranslation)
#include "test_translation.moc"
