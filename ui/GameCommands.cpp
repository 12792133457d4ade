#include "CGameWnd.h"

// The menu commands that act on the game besides moving pieces.

void CGameWnd::OnDrawOffer() {}
void CGameWnd::OnCapitulate() {}
void CGameWnd::OnScore() {}
void CGameWnd::OnChat() {}
void CGameWnd::OnStartAlarm() {}
void CGameWnd::OnMessageAlarm() {}
void CGameWnd::OnHelpContents() {}
void CGameWnd::OnHomePage() {}
void CGameWnd::OnAbout() {}
void CGameWnd::OnAuthors() {}
