// SPDX-License-Identifier: GPL-3.0-or-later
// The window's view of the match record: the moves window and saving the match.
#include "ui/CGameWnd.h"

#include "app/ResourceIds.h"
#include "app/StringTable.h"
#include "ui/MatchFile.h"

#include <QDir>
#include <QFileDialog>
#include <QStandardPaths>

namespace sorvada {

void CGameWnd::recordChanged()
{
    if (moves.isVisible())
        moves.refresh();
}

void CGameWnd::OnMoves()
{
    moves.refresh();
    moves.showAndActivate();
}

void CGameWnd::OnSaveGame()
{
    const QDate today = QDate::currentDate();
    QString proposed = savedGamePath;
    if (proposed.isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
        proposed = QDir(folder).filePath(proposedFileName(play.matchRecord(), today));
    }
    // The program's own dialog, so that it looks and answers the same on every desktop.
    QFileDialog dialog(this, loadString(res::IDS_SAVE_CAPTION), proposed, loadString(res::IDS_PDN_FILTER));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("pdn"));
    dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().constFirst();

    // The moves that came while the dialog was open are saved too.
    const QByteArray bytes = QByteArray::fromStdString(matchPdn(play.matchRecord(), QDate::currentDate()));
    QString why;
    if (!writeWholeFile(path, bytes, why)) {
        messageBox(loadString(res::IDS_SAVE_FAILED).arg(QDir::toNativeSeparators(path), why), QMessageBox::Warning);
        return;
    }
    savedGamePath = path;
}

} // namespace sorvada
