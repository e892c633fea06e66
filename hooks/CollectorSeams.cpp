// The collectors arrive with the control data requests; until then no request is ever made, and one that
// arrives anyway gets no reply (the requester then holds nothing, as when a reply is lost).
#include "hooks/CALLWNDR.h"

void CALLWNDR::zDoTbGetButton(HWND, WPARAM, LPARAM) {}

void CALLWNDR::zDoLBGetData(HWND, WPARAM, LPARAM) {}

void CALLWNDR::zDoCBGetData(HWND, WPARAM, LPARAM) {}

void CALLWNDR::zDoGetMenuItemBmps(HWND, WPARAM, LPARAM) {}

void CALLWNDR::zDoGetButtonImage(HWND, WPARAM, LPARAM) {}
