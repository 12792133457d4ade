// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CVariantDlg.h"

#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"
#include "app/SettingKeys.h"
#include "app/SettingsStore.h"

#include <QPushButton>
#include <QRadioButton>

namespace sorvada {

namespace {

enum : int { IDC_RUSSIAN = 1030, IDC_AMERICAN = 1031 };

using namespace dlg;

const Control variantControls[] = {
    {1, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 103, 21, 45, 14, Default | TabStop},
    {NoId, Kind::GroupBox, QT_TRANSLATE_NOOP("Dialogs", "Checkers Variations"), 10, 7, 83, 42, Group},
    {IDC_RUSSIAN, Kind::Radio, QT_TRANSLATE_NOOP("Dialogs", "Russian"), 20, 20, 41, 10},
    {IDC_AMERICAN, Kind::Radio, QT_TRANSLATE_NOOP("Dialogs", "American"), 20, 33, 45, 10},
};

// No close box: the host must choose.
const Template variantTemplate{res::IDD_VARIANT, QT_TRANSLATE_NOOP("Dialogs", "Sorvada "), 155, 63, 0, variantControls};

} // namespace

CVariantDlg::CVariantDlg(SettingsStore &settings, QWidget *parent)
    : QDialog(parent), settings(settings)
{
    build(this, variantTemplate);
    setWindowModality(Qt::WindowModal);
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &CVariantDlg::confirm);
}

int CVariantDlg::exec()
{
    const bool russian = settings.readInt(SettingKey::VarGame, 0) == 2;
    setRadio(control<QRadioButton>(this, IDC_RUSSIAN), russian);
    setRadio(control<QRadioButton>(this, IDC_AMERICAN), !russian);
    control<QPushButton>(this, 1)->setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void CVariantDlg::confirm()
{
    americanFlag = control<QRadioButton>(this, IDC_AMERICAN)->isChecked() ? 1 : 0;
    russianFlag = control<QRadioButton>(this, IDC_RUSSIAN)->isChecked() ? 1 : 0;
    // One button is always checked: both are set when the dialog opens and
    // the group lets the user only move the check. Guard anyway, so that the
    // caller never gets two answers or none.
    if (americanFlag == russianFlag) {
        americanFlag = 1;
        russianFlag = 0;
    }
    accept();
}

void CVariantDlg::reject()
{
    // Escape (or the window manager's close) answers with the checked button.
    confirm();
}

} // namespace sorvada
