// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CServerDlg.h"

#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"

#include <QLineEdit>
#include <QPushButton>

namespace sorvada {

namespace {

enum : int { IDC_ADDRESS = 1001 };

using namespace dlg;

const Control serverControls[] = {
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Enter the name or IP address of the Server computer:"), 9, 11, 176, 8},
    {IDC_ADDRESS, Kind::Edit, "", 9, 25, 176, 12, TabStop},
    {1, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 195, 5, 40, 14, Default | TabStop},
    {2, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "Exit"), 195, 22, 40, 14, TabStop},
};

const Template serverTemplate{res::IDD_SERVER, QT_TRANSLATE_NOOP("Dialogs", "Sorvada "), 244, 47, CloseBox, serverControls};

} // namespace

CServerDlg::CServerDlg(QWidget *parent) : QDialog(parent)
{
    build(this, serverTemplate);
    setWindowModality(Qt::WindowModal);
    control<QLineEdit>(this, IDC_ADDRESS)->setPlaceholderText(loadString(res::IDS_ADDRESS_HINT));
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &CServerDlg::confirm);
    connect(control<QPushButton>(this, 2), &QPushButton::clicked, this, &QDialog::reject);
}

int CServerDlg::exec()
{
    QLineEdit *field = control<QLineEdit>(this, IDC_ADDRESS);
    field->setText(address);
    limitTyping(field, MaxAddressLength);
    field->setFocus(Qt::OtherFocusReason);
    return QDialog::exec();
}

void CServerDlg::confirm()
{
    QLineEdit *field = control<QLineEdit>(this, IDC_ADDRESS);
    // An empty address leads nowhere: refused, as an empty name is.
    if (field->text().isEmpty()) {
        messageBox(this, loadString(res::IDS_ENTER_ADDRESS), QMessageBox::Warning);
        field->setFocus(Qt::OtherFocusReason);
        return;
    }
    address = field->text();
    accept();
}

} // namespace sorvada
