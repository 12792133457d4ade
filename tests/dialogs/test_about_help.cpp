// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CAboutDlg.h"
#include "app/CAuthorsDlg.h"
#include "app/CChatDlg.h"
#include "app/CScoreDlg.h"
#include "app/CServerDlg.h"
#include "app/CStartDlg.h"
#include "app/CVariantDlg.h"
#include "app/DataFiles.h"
#include "app/DialogBuilder.h"
#include "app/HelpLauncher.h"
#include "app/HelpWindow.h"
#include "app/ResourceIds.h"
#include "app/SettingsStore.h"
#include "app/StringTable.h"
#include "app/Translation.h"
#include "sim/ModalAnswerer.h"
#include "sim/TemporarySettings.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QUrl>
#include <QtTest>

using namespace sorvada;

using dlg::control;

class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl &url) { urls.append(url); }
};

// Writes a page of the help folder beside the test program; returns the folder, empty on failure.
QString writeHelpPage(const char *name, const char *body)
{
    const QString helpDir = QCoreApplication::applicationDirPath() + QStringLiteral("/help");
    QFile page(helpDir + QLatin1Char('/') + QLatin1String(name));
    if (!QDir().mkpath(helpDir) || !page.open(QIODevice::WriteOnly))
        return QString();
    page.write(QByteArray("<html><body>") + body + "</body></html>\n");
    return helpDir;
}

class TestAboutHelp : public QObject
{
    Q_OBJECT
    TemporarySettings settings;
    ModalAnswerer modals;

    // Every text shown in a control fits inside it at the dialog font: the
    // dialog units follow the font, so nothing is cut off.
    static void checkLayout(QDialog *d, const QSize &units)
    {
        const dlg::BaseUnits base = dlg::unitsOf(d);
        QCOMPARE(d->size(), dlg::toPixels(base, 0, 0, units.width(), units.height()).size());
        const QRect inside(QPoint(0, 0), d->size());
        const QFontMetrics fm(d->font());
        for (QWidget *w : d->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (!w->isVisibleTo(d))
                continue; // shown only later, and laid out for the size the dialog has then
            const QString what = d->objectName() + QLatin1Char('/') + w->objectName();
            QVERIFY2(inside.contains(w->geometry()), qPrintable(what));
            if (auto *label = qobject_cast<QLabel *>(w); label && label->pixmap().isNull()) {
                // A link shows its text, not its markup.
                const QString shown = label->textFormat() == Qt::RichText
                    ? QTextDocumentFragment::fromHtml(label->text()).toPlainText()
                    : label->text();
                QVERIFY2(fm.horizontalAdvance(shown) <= w->width(), qPrintable(what));
            }
            if (auto *radio = qobject_cast<QRadioButton *>(w))
                QVERIFY2(radio->sizeHint().width() <= w->width(), qPrintable(what));
            if (auto *button = qobject_cast<QPushButton *>(w))
                QVERIFY2(fm.horizontalAdvance(button->text()) + 8 <= w->width(), qPrintable(what));
            if (auto *box = qobject_cast<QGroupBox *>(w))
                QVERIFY2(fm.horizontalAdvance(box->title()) + 16 <= w->width(), qPrintable(what));
        }
        // Grown or not, no two controls cover each other, except a frame and
        // what stands inside it.
        const QList<QWidget *> controls = d->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        for (QWidget *a : controls) {
            for (QWidget *b : controls) {
                if (a == b || qobject_cast<QGroupBox *>(a) || qobject_cast<QGroupBox *>(b))
                    continue;
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(d->objectName() + QLatin1Char('/') + a->objectName() + QLatin1Char('/')
                                    + b->objectName()));
            }
        }
        auto *ok = control<QPushButton>(d, 1);
        if (ok)
            QVERIFY2(ok->isDefault(), qPrintable(d->objectName()));
        if (!qEnvironmentVariableIsEmpty("SORVADA_DIALOG_SNAPSHOTS")) {
            const QString dir = qEnvironmentVariable("SORVADA_DIALOG_SNAPSHOTS");
            const QString language = translation::language().isEmpty() ? QStringLiteral("en") : translation::language();
            d->grab().save(dir + QStringLiteral("/dialog-") + d->objectName() + QLatin1Char('-') + language
                           + QStringLiteral(".png"));
        }
    }

    void checkModal(QDialog &dialog, const QSize &units)
    {
        modals.then([&](QWidget *d) {
            checkLayout(qobject_cast<QDialog *>(d), units);
            QTest::keyClick(d, Qt::Key_Return);
        });
        dialog.exec();
    }

private slots:
    void initTestCase()
    {
        modals.closeStraysAfter(15000);
    }
    void cleanup()
    {
        translation::uninstall();
        QCOMPARE(modals.leftOver(), QString());
    }

    void dialogUnitsFollowTheFont()
    {
        // Quarter and eighth units, rounded to the nearest pixel.
        const dlg::BaseUnits units{6, 13};
        QCOMPARE(dlg::toPixels(units, 92, 8, 76, 12), QRect(138, 13, 114, 20));
        QCOMPARE(dlg::toPixels(units, 239, 92, 1, 1), QRect(359, 150, 2, 2));
        QFont small = QApplication::font();
        small.setPointSize(8);
        QFont large = small;
        large.setPointSize(16);
        QVERIFY(dlg::baseUnits(large).x > dlg::baseUnits(small).x);
        QVERIFY(dlg::baseUnits(large).y > dlg::baseUnits(small).y);
        QCOMPARE(dlg::baseUnits(small).y, QFontMetrics(small).height());
    }

    void everyDialogLaysOutItsControls_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QString();
        QTest::newRow("Russian") << QStringLiteral("ru");
    }

    // In every language each dialog shows every text whole: the dialog grows
    // where a translation is longer.
    void everyDialogLaysOutItsControls()
    {
        QFETCH(QString, language);
        if (!language.isEmpty())
            QCOMPARE(translation::install(QLocale(language)), language);
        SettingsStore store(QStringLiteral("sorvada-layout"));
        CStartDlg start(store);
        start.name = QStringLiteral("Player");
        checkModal(start, {239, 92});
        CServerDlg server;
        server.address = QStringLiteral("192.0.2.1");
        checkModal(server, {244, 63});
        // After "Invite a friend" the dialog grows by the link and its note.
        CServerDlg invited;
        invited.address = QStringLiteral("192.0.2.1");
        modals.then([&](QWidget *d) {
            control<QPushButton>(d, 1002)->click();
            checkLayout(qobject_cast<QDialog *>(d), {244, 92});
            QTest::keyClick(d, Qt::Key_Escape);
        });
        invited.exec();
        CVariantDlg variant(store);
        checkModal(variant, {155, 63});
        CAboutDlg about;
        checkModal(about, {239, 67});
        CAuthorsDlg authors;
        checkModal(authors, {187, 52});

        CScoreDlg score;
        score.AddResult(1, 0, loadString(res::IDS_YOU_WIN));
        score.AddResult(0, 1, loadString(res::IDS_YOU_LOSE));
        modals.then([&](QWidget *d) {
            checkLayout(qobject_cast<QDialog *>(d), {229, 115});
            QTest::keyClick(d, Qt::Key_Return);
        });
        score.showModal(nullptr, QStringLiteral("Ann"), QStringLiteral("Bob"));

        CChatDlg chat;
        chat.setName(QStringLiteral("Ann"));
        chat.appendReceived(QStringLiteral("Bob: \r\nhello\r\n"));
        chat.showAndActivate();
        checkLayout(&chat, {187, 124});
    }

    void startDialogTabOrder()
    {
        SettingsStore store(QStringLiteral("sorvada-layout"));
        CStartDlg start(store);
        QStringList order;
        QWidget *w = control<QLineEdit>(&start, 201);
        for (int i = 0; i < 7; ++i) {
            order.append(w->objectName());
            do
                w = w->nextInFocusChain();
            while (w->focusPolicy() == Qt::NoFocus || w == &start);
        }
        QCOMPARE(order, (QStringList{"201", "202", "203", "1", "2", "204", "1011"}));
    }

    void aboutAndAuthorsBoxes()
    {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("Sorvada "));
        QStringList texts;
        for (QLabel *label : about.findChildren<QLabel *>())
            texts.append(label->text());
        QVERIFY(texts.contains(QStringLiteral("Sorvada v 3.01")));
        auto *icon = control<QLabel>(&about, 128);
        QVERIFY(icon);
        QVERIFY(!icon->pixmap().isNull());
        QCOMPARE(texts.size(), 5); // icon, name and version, three notice lines

        CAuthorsDlg authors;
        QCOMPARE(authors.windowTitle(), QStringLiteral("Sorvada "));
        texts.clear();
        for (QLabel *label : authors.findChildren<QLabel *>())
            texts.append(label->text());
        QCOMPARE(texts.size(), 2);
        QCOMPARE(texts.first(), QStringLiteral("Game authors:"));
        QVERIFY(!texts.last().isEmpty());

        QWidget window;
        window.show();
        CAuthorsDlg owned(&window);
        modals.then([&](QWidget *d) { QTest::keyClick(d, Qt::Key_Escape); });
        QCOMPARE(owned.exec(), int(QDialog::Rejected));
        modals.then([&](QWidget *d) { QTest::mouseClick(control<QPushButton>(d, 1), Qt::LeftButton); });
        QCOMPARE(owned.exec(), int(QDialog::Accepted));
    }

    void helpContentsMissingIsReported()
    {
        if (!findDataFile(QStringLiteral("help/index.html")).isEmpty())
            QSKIP("a help page is installed beside the test program");
        QWidget window;
        window.show();
        QString text, caption;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        modals.then([&](QWidget *box) {
            if (auto *mb = qobject_cast<QMessageBox *>(box)) {
                text = mb->text();
                caption = mb->windowTitle();
                icon = mb->icon();
            }
            QTest::keyClick(box, Qt::Key_Return);
        });
        QVERIFY(!openHelpContents(&window));
        QCOMPARE(text, QStringLiteral("Failed to launch help."));
        QCOMPARE(caption, QStringLiteral("Sorvada"));
        QCOMPARE(icon, QMessageBox::Critical);
        QVERIFY(!QApplication::overrideCursor());
    }

    void helpContentsOpenTheInstalledPage()
    {
        const QString helpDir = QCoreApplication::applicationDirPath() + QStringLiteral("/help");
        QVERIFY(QDir().mkpath(helpDir));
        QFile page(helpDir + QStringLiteral("/index.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body>Contents</body></html>\n");
        page.close();
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const bool opened = openHelpContents(nullptr);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDir(helpDir).removeRecursively();

        QVERIFY(opened);
        QCOMPARE(catcher.urls.size(), 1);
        QVERIFY(catcher.urls.first().toLocalFile().endsWith(QStringLiteral("/help/index.html")));
        QVERIFY(!QApplication::overrideCursor());
    }

    // The help page is the one in the language the program speaks, the
    // English one where that language has none.
    void helpContentsFollowTheLanguage()
    {
        const QString helpDir = writeHelpPage("index.html", "Contents");
        QVERIFY(!helpDir.isEmpty());
        const auto removeHelp = qScopeGuard([&] { QDir(helpDir).removeRecursively(); });
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
        const auto unsetHandler = qScopeGuard([] { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); });

        QCOMPARE(translation::install(QLocale(QLocale::Russian)), QStringLiteral("ru"));
        QVERIFY(openHelpContents(nullptr)); // no Russian page yet
        QVERIFY(!writeHelpPage("index.ru.html", "Содержание").isEmpty());
        QVERIFY(openHelpContents(nullptr));
        translation::uninstall();
        QVERIFY(openHelpContents(nullptr));

        QCOMPARE(catcher.urls.size(), 3);
        QVERIFY(catcher.urls.at(0).toLocalFile().endsWith(QStringLiteral("/help/index.html")));
        QVERIFY(catcher.urls.at(1).toLocalFile().endsWith(QStringLiteral("/help/index.ru.html")));
        QVERIFY(catcher.urls.at(2).toLocalFile().endsWith(QStringLiteral("/help/index.html")));
    }

    // Without a desktop viewer the page opens in the program's own help
    // window: links within the help are followed, a link out of it is shown
    // as its address.
    void helpWithoutABrowserOpensTheOwnHelpWindow()
    {
        const QString helpDir = writeHelpPage("index.html",
                                              "<p>Contents: <a href=\"rules.html\">Rules</a>,"
                                              " <a href=\"https://example.org/club\">the club</a>.</p>");
        QVERIFY(!helpDir.isEmpty());
        QVERIFY(!writeHelpPage("rules.html", "<p>Men move forward.</p>").isEmpty());

        QWidget window;
        window.show();
        int asked = 0;
        const bool opened = openHelpContents(&window, [&](const QUrl &) { ++asked; return false; });
        auto *help = window.findChild<HelpWindow *>();
        QVERIFY(opened);
        QCOMPARE(asked, 1);
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QTextBrowser *browser = help->browser();
        QCOMPARE(browser->document()->toPlainText().trimmed(),
                 QStringLiteral("Contents: Rules, the club (https://example.org/club)."));
        if (qEnvironmentVariableIsSet("SORVADA_SHOW_DIALOGS"))
            help->grab().save(QStringLiteral("help-window.png"));

        // The inner link leads to its page; the club's text is no link.
        emit browser->anchorClicked(QUrl(QStringLiteral("rules.html")));
        QCOMPARE(browser->document()->toPlainText().trimmed(), QStringLiteral("Men move forward."));
        browser->backward();
        const QString text = browser->document()->toPlainText();
        const int club = text.indexOf(QStringLiteral("the club"));
        QTextCursor at(browser->document());
        at.setPosition(club + 2);
        QVERIFY(!at.charFormat().isAnchor());
        at.setPosition(text.indexOf(QStringLiteral("Rules")) + 2);
        QVERIFY(at.charFormat().isAnchor());
        help->close();
        QDir(helpDir).removeRecursively();
        QVERIFY(!QApplication::overrideCursor());
    }

    // Without a browser the home page still opens: while there is no web site,
    // as the help page's About section in the program's own help window.
    void homePageWithoutABrowserOpensTheHelpWindow()
    {
        if (!QStringLiteral(SORVADA_HOME_PAGE).isEmpty())
            QSKIP("this build names a web site as its home page");
        const QString helpDir = writeHelpPage("index.html", "<h2 id=\"about\">About</h2>");
        QVERIFY(!helpDir.isEmpty());
        const auto removePage = qScopeGuard([&helpDir] { QDir(helpDir).removeRecursively(); });

        QWidget window;
        window.show();
        openHomePage(&window, [](const QUrl &) { return false; });
        auto *help = window.findChild<HelpWindow *>();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QCOMPARE(help->browser()->document()->toPlainText().trimmed(), QStringLiteral("About"));
        help->close();
    }

    // Until there is a web site (no address given at build time), the menu
    // command and the About box's link open the About section of the
    // installed help page; an address given at build time is opened instead.
    void homePageOpensTheHelpPageAboutSection()
    {
        const QString helpDir = writeHelpPage("index.html", "<h2 id=\"about\">About</h2>");
        QVERIFY(!helpDir.isEmpty());
        const auto removePage = qScopeGuard([&helpDir] { QDir(helpDir).removeRecursively(); });

        const QString configured = QStringLiteral(SORVADA_HOME_PAGE);
        const QUrl expected = configured.isEmpty() ? QUrl::fromLocalFile(QFileInfo(helpDir + QStringLiteral("/index.html")).absoluteFilePath())
                                                   : QUrl(configured);
        QUrl home = expected;
        home.setFragment(configured.isEmpty() ? QStringLiteral("about") : expected.fragment());
        UrlCatcher catcher;
        QDesktopServices::setUrlHandler(home.scheme(), &catcher, "open");
        openHomePage(nullptr);
        CAboutDlg about;
        about.show();
        QLabel *link = control<QLabel>(&about, 1002);
        QVERIFY(link);
        QVERIFY(!link->text().contains(QStringLiteral("example.org")));
        emit link->linkActivated(QStringLiteral("#"));
        QDesktopServices::unsetUrlHandler(home.scheme());

        QCOMPARE(catcher.urls, (QList<QUrl>{home, home}));
    }
};

QTEST_MAIN(TestAboutHelp)
#include "test_about_help.moc"
