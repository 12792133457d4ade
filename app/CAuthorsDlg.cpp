// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CAuthorsDlg.h"

#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"

#include <QPushButton>

namespace sorvada {

namespace {

using namespace dlg;

const Control authorsControls[] = {
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Game authors:"), 10, 5, 170, 10, Center},
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "The Sorvada developers"), 10, 20, 170, 10, Center},
    {1, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 70, 35, 50, 14, Default | TabStop},
};

const Template authorsTemplate{res::IDD_AUTHORS, QT_TRANSLATE_NOOP("Dialogs", "Sorvada "), 187, 52, CloseBox, authorsControls};

} // namespace

CAuthorsDlg::CAuthorsDlg(QWidget *parent) : QDialog(parent)
{
    build(this, authorsTemplate);
    setWindowModality(Qt::WindowModal);
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace sorvada
