// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

namespace sorvada {

// The About box: the program's icon, its name and version, and three lines
// of notice. Only closes.
class CAboutDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget *parent = nullptr);
};

} // namespace sorvada
