// hooks/EventNames.h — the names written as comments beside message numbers, key codes and hook codes.
#pragma once
#include <windows.h>

LPCSTR MessageName(UINT nMessage);
LPCSTR VirtualKeyName(int nVirtualKey);
LPCSTR FilterCodeName(int nCode);
LPCSTR CbtCodeName(int nCode);
