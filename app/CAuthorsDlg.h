// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

namespace sorvada {

// The authors box, reached only by its key combination. Only closes.
class CAuthorsDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAuthorsDlg(QWidget *parent = nullptr);
};

} // namespace sorvada
