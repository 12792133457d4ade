#include "CGameWnd.h"

// Every event of the peer link arrives here, synchronously.
void CGameWnd::OnLinkEvent(unsigned int event, int param)
{
    Q_UNUSED(event);
    Q_UNUSED(param);
}
