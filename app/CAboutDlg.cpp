#include "CAboutDlg.h"

#include "DialogBuilder.h"
#include "ResourceIds.h"

#include <QPushButton>

namespace {

using namespace dlg;

const Control controls[] = {
    {res::IDR_MAINFRAME, Kind::Icon, "", 10, 20, 20, 20},
    {NoId, Kind::Label, "Sorvada v " SORVADA_APP_VERSION, 40, 5, 145, 8, Center},
    {1, Kind::Button, "OK", 200, 20, 32, 14, Default | TabStop},
    {NoId, Kind::Label, "Checkers for two players over the network.", 40, 20, 145, 8},
    {NoId, Kind::Label, "Copyright \u00a9 the Sorvada developers.", 40, 35, 145, 8},
    {NoId, Kind::Label, SORVADA_HOME_PAGE, 40, 50, 145, 8},
};

const Template aboutTemplate{res::IDD_ABOUT, "Sorvada ", 239, 67, CloseBox, controls};

} // namespace

CAboutDlg::CAboutDlg(QWidget *parent) : QDialog(parent)
{
    build(this, aboutTemplate);
    setWindowModality(Qt::WindowModal);
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &QDialog::accept);
}
