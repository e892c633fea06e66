// app/QM57REC.cpp — the host executable: hands its own instance, which carries the resources, to the library.
#include <windows.h>

extern "C" __declspec(dllimport) int WINAPI
    SimCap_WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    return SimCap_WinMain(hInstance, hPrevInstance, lpCmdLine, nCmdShow);
}
