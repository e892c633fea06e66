// Which processes and windows take part in a recording.
#include "host/SimCap.h"

// The new-window and removed-window handlers keep the inclusion lists current while a recording runs.
void SIMCAP::OnAddProcess(HWND)
{
}

void SIMCAP::OnRemoveProcess(HWND)
{
}
