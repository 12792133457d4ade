// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CAboutDlg.h"

#include "app/DialogBuilder.h"
#include "app/HelpLauncher.h"
#include "app/ResourceIds.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <iterator>

namespace sorvada {

namespace {

using namespace dlg;

enum : int { IDC_HOME_PAGE = 1002 };

const Control aboutControls[] = {
    {res::IDR_MAINFRAME, Kind::Icon, "", 10, 20, 20, 20},
    {NoId, Kind::Label, "Sorvada v " SORVADA_APP_VERSION, 40, 5, 145, 8, Center | Verbatim},
    {1, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 200, 20, 32, 14, Default | TabStop},
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Checkers for two players over the network."), 40, 20, 145, 8},
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Copyright © the Sorvada developers."), 40, 35, 145, 8},
    {IDC_HOME_PAGE, Kind::Label, "", 40, 50, 145, 8},
};

const Template aboutTemplate{res::IDD_ABOUT, QT_TRANSLATE_NOOP("Dialogs", "Sorvada "), 239, 67, CloseBox, aboutControls};

} // namespace

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent)
{
    // The home page line is a link; without a web site it leads to the
    // About section of the help page. Its text goes into the template, so
    // that the dialog is laid out wide enough to show it whole.
    const QString configured = QStringLiteral(SORVADA_HOME_PAGE);
    const QString shown = configured.isEmpty()
        ? QCoreApplication::translate(TranslationContext, QT_TRANSLATE_NOOP("Dialogs", "Sorvada help: About"))
        : configured;
    const QByteArray shownText = shown.toUtf8();
    Control controls[std::size(aboutControls)];
    std::copy(std::begin(aboutControls), std::end(aboutControls), controls);
    for (Control &c : controls) {
        if (c.id == IDC_HOME_PAGE) {
            c.text = shownText.constData();
            c.flags |= Verbatim;
        }
    }
    Template filled = aboutTemplate;
    filled.controls = controls;
    build(this, filled);
    setWindowModality(Qt::WindowModal);
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &QDialog::accept);

    auto *home = control<QLabel>(this, IDC_HOME_PAGE);
    home->setTextFormat(Qt::RichText);
    home->setText(QStringLiteral("<a href=\"#\">%1</a>").arg(shown.toHtmlEscaped()));
    home->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    connect(home, &QLabel::linkActivated, this, [this] { openHomePage(this); });
}

} // namespace sorvada
