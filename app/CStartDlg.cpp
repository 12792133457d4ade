// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CStartDlg.h"

#include "app/DialogBuilder.h"
#include "app/HelpLauncher.h"
#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace sorvada {

namespace {

enum : int {
    IDC_NAME = 201,
    IDC_JOIN = 202,
    IDC_HOST = 203,
    IDC_VIA_SERVER = 204,
    IDC_BEGINNING = 214,
    IDC_HELP = 1011,
};

using namespace dlg;

const Control startControls[] = {
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Please, enter your name:"), 9, 9, 79, 8},
    {IDC_NAME, Kind::Edit, "", 92, 8, 76, 12, TabStop},
    {IDC_BEGINNING, Kind::GroupBox, QT_TRANSLATE_NOOP("Dialogs", "Game beginning"), 9, 27, 160, 58, Group},
    {IDC_JOIN, Kind::Radio, QT_TRANSLATE_NOOP("Dialogs", "Connect to the Game Server"), 15, 40, 122, 10, TabStop},
    {IDC_HOST, Kind::Radio, QT_TRANSLATE_NOOP("Dialogs", "As the Game Server"), 15, 55, 145, 10, TabStop},
    {QDialog::Accepted, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 185, 5, 50, 14, Default | TabStop},
    {2, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "Exit"), 185, 25, 50, 14, TabStop},
    {IDC_VIA_SERVER, Kind::Radio, QT_TRANSLATE_NOOP("Dialogs", "Connect through the Tavimore Server"), 15, 70, 150, 10, TabStop},
    {IDC_HELP, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "Help"), 185, 45, 50, 14, TabStop},
};

const Template startTemplate{res::IDD_START, QT_TRANSLATE_NOOP("Dialogs", "Sorvada"), 239, 92, CloseBox, startControls};

} // namespace

CStartDlg::CStartDlg(SettingsStore &settings, QWidget *parent)
    : QDialog(parent), settings(settings)
{
    build(this, startTemplate);
    setWindowModality(Qt::WindowModal);
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &CStartDlg::confirm);
    connect(control<QPushButton>(this, 2), &QPushButton::clicked, this, &QDialog::reject);
    connect(control<QPushButton>(this, IDC_HELP), &QPushButton::clicked, this,
            [this] { openHelpContents(this); });
}

int CStartDlg::exec()
{
    QLineEdit *field = control<QLineEdit>(this, IDC_NAME);
    field->setText(name);
    // A stored name longer than the limit is shown whole; only typing is held
    // to the limit, and OK refuses it until it is shortened.
    limitTyping(field, MaxNameLength);

    setRadio(control<QRadioButton>(this, IDC_JOIN), joinFlag != 0);
    setRadio(control<QRadioButton>(this, IDC_HOST), hostFlag != 0);
    setRadio(control<QRadioButton>(this, IDC_VIA_SERVER), viaServerFlag != 0);
    const int chosen[] = {IDC_JOIN, IDC_HOST, IDC_VIA_SERVER};
    const int mode = preselect >= 0 && preselect <= 2 ? preselect : settings.readInt(SettingKey::Mode, 0);
    if (mode >= 0 && mode <= 2) {
        for (int i = 0; i < 3; ++i)
            setRadio(control<QRadioButton>(this, chosen[i]), i == mode);
    }

    field->setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void CStartDlg::confirm()
{
    hostFlag = control<QRadioButton>(this, IDC_HOST)->isChecked() ? 1 : 0;
    joinFlag = control<QRadioButton>(this, IDC_JOIN)->isChecked() ? 1 : 0;
    viaServerFlag = control<QRadioButton>(this, IDC_VIA_SERVER)->isChecked() ? 1 : 0;
    QLineEdit *field = control<QLineEdit>(this, IDC_NAME);
    const QString typed = field->text();
    if (typed.size() > MaxNameLength) {
        messageBox(this, QCoreApplication::translate("Dialogs",
                                                    "Please enter no more than %1 characters.")
                              .arg(MaxNameLength),
                    QMessageBox::Warning);
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
        return;
    }
    name = typed;
    accept();
}

} // namespace sorvada
