// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

namespace sorvada {

class SettingsStore;

// The variant dialog, asked of the hosting player: Russian or American
// checkers, preselected from the stored "VarGame" (2 = Russian, anything else
// American). It has no way to cancel; Escape ends it like OK, with whichever
// button is checked, so after exec() exactly one of the two flags is 1.
class CVariantDlg : public QDialog
{
    Q_OBJECT
public:
    explicit CVariantDlg(SettingsStore &settings, QWidget *parent = nullptr);

    int exec() override;

    int americanFlag = 0;
    int russianFlag = 0;

public slots:
    void reject() override;

private:
    void confirm();

    SettingsStore &settings;
};

} // namespace sorvada
