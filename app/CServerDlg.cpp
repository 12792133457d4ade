// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CServerDlg.h"

#include "app/DialogBuilder.h"
#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "net/InviteLink.h"
#include "net/RoomCode.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QUrl>

namespace sorvada {

namespace {

enum : int { IDC_ADDRESS = 1001, IDC_INVITE = 1002, IDC_INVITE_NOTE = 1003, IDC_INVITE_LINK = 1004 };

using namespace dlg;

constexpr int WIDTH = 244;
constexpr int HEIGHT_PLAIN = 63;   // up to the invitation button
constexpr int HEIGHT_INVITED = 92; // with the link below it

const Control serverControls[] = {
    {NoId, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Enter the name or IP address of the Server computer:"), 9, 11, 176, 8},
    {IDC_ADDRESS, Kind::Edit, "", 9, 25, 176, 12, TabStop},
    {1, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "OK"), 195, 5, 40, 14, Default | TabStop},
    {2, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "Exit"), 195, 22, 40, 14, TabStop},
    {IDC_INVITE, Kind::Button, QT_TRANSLATE_NOOP("Dialogs", "&Invite a friend"), 9, 43, 80, 14, TabStop},
    {IDC_INVITE_NOTE, Kind::Label, QT_TRANSLATE_NOOP("Dialogs", "Send this link to your friend:"), 9, 63, 226, 8},
    {IDC_INVITE_LINK, Kind::Edit, "", 9, 74, 226, 12, ReadOnly | TabStop},
};

const Template serverTemplate{res::IDD_SERVER, QT_TRANSLATE_NOOP("Dialogs", "Sorvada "), WIDTH, HEIGHT_INVITED, CloseBox, serverControls};

// Why the typed address cannot be used; empty when it can.
QString problemText(const QString &typed)
{
    switch (parseLobbyAddress(typed).problem) {
    case LobbyAddressProblem::None:
        return QString();
    case LobbyAddressProblem::EmptyCode:
        return loadString(res::IDS_ROOM_CODE_EMPTY).arg(typed);
    case LobbyAddressProblem::CodeTooLong:
        return loadString(res::IDS_ROOM_CODE_TOO_LONG).arg(typed).arg(MAX_ROOM_CODE_LENGTH);
    case LobbyAddressProblem::CodeCharacter:
        return loadString(res::IDS_ROOM_CODE_CHARACTER).arg(typed);
    case LobbyAddressProblem::WebTooLong:
        return loadString(res::IDS_WEB_ADDRESS_TOO_LONG).arg(typed).arg(MAX_QUERY_LENGTH).arg(MAX_WEB_BASE_LENGTH);
    }
    return QString();
}

} // namespace

CServerDlg::CServerDlg(QWidget *parent) : QDialog(parent)
{
    build(this, serverTemplate);
    setWindowModality(Qt::WindowModal);
    control<QLineEdit>(this, IDC_ADDRESS)->setPlaceholderText(loadString(res::IDS_ADDRESS_HINT));
    connect(control<QPushButton>(this, 1), &QPushButton::clicked, this, &CServerDlg::confirm);
    connect(control<QPushButton>(this, 2), &QPushButton::clicked, this, &QDialog::reject);
    auto *inviteButton = control<QPushButton>(this, IDC_INVITE);
    // Only OK is the default: Enter after an invitation asks the lobby.
    inviteButton->setAutoDefault(false);
    connect(inviteButton, &QPushButton::clicked, this, &CServerDlg::invite);
    control<QLabel>(this, IDC_INVITE_NOTE)->setBuddy(control<QLineEdit>(this, IDC_INVITE_LINK));
    showInvitation(false);
}

void CServerDlg::showInvitation(bool shown)
{
    control<QLabel>(this, IDC_INVITE_NOTE)->setVisible(shown);
    control<QLineEdit>(this, IDC_INVITE_LINK)->setVisible(shown);
    setFixedSize(toPixels(unitsOf(this), 0, 0, WIDTH, shown ? HEIGHT_INVITED : HEIGHT_PLAIN).size());
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
    if (const QString problem = problemText(field->text()); !problem.isEmpty()) {
        messageBox(this, problem, QMessageBox::Warning);
        field->setFocus(Qt::OtherFocusReason);
        return;
    }
    address = field->text();
    accept();
}

void CServerDlg::invite()
{
    QLineEdit *field = control<QLineEdit>(this, IDC_ADDRESS);
    const QString typed = field->text().trimmed().isEmpty() ? address.trimmed() : field->text().trimmed();
    const LobbyAddress lobby = parseLobbyAddress(typed);
    // A link always names the directory, which works through home routers; a web lobby's
    // host is the same program's, so its name serves, without the web port.
    const QString host = lobby.web ? QUrl(typed).host() : lobby.host;
    const quint16 port = lobby.web ? 0 : lobby.port;
    const QString code = drawRoomCode(*QRandomGenerator::system());
    const QString link = formatInviteLink(host, port, code);
    const InviteLink checked = parseInviteLink(link);
    if (host.isEmpty() || checked.problem != InviteProblem::None) {
        messageBox(this, loadString(res::IDS_INVITE_NEEDS_LOBBY), QMessageBox::Information);
        field->setFocus(Qt::OtherFocusReason);
        return;
    }
    field->setText(checked.lobbyAddress());
    invitation = link;
    QGuiApplication::clipboard()->setText(link);
    auto *linkField = control<QLineEdit>(this, IDC_INVITE_LINK);
    linkField->setText(link);
    linkField->selectAll();
    showInvitation(true);
    field->setFocus(Qt::OtherFocusReason);
}

} // namespace sorvada
