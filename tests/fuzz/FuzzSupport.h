// tests/fuzz/FuzzSupport.h — what both fuzzers share: a seeded generator whose runs can be repeated, and
// the few ways a person drives the real recorder (its list of applications, its buttons, its hotkeys).
#pragma once
#include <windows.h>

#include "tests/support/Keyboard.h"
#include "tests/support/TargetList.h"

#include <stdint.h>

#include <string>

// splitmix64: small, fast, and the same sequence for the same seed everywhere.
class FuzzRandom
{
  public:
    explicit FuzzRandom(uint64_t nSeed) : nState(nSeed) {}
    uint32_t Next()
    {
        uint64_t z = (nState += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 16);
    }
    uint32_t Below(uint32_t n) { return n ? Next() % n : 0; }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    template <class T, size_t N> T Pick(const T (&a)[N]) { return a[Below(N)]; }

  private:
    uint64_t nState;
};

// Command-line options of the form --name=value; the default when absent.
uint32_t OptionNumber(int argc, char** argv, const char* pszName, uint32_t nDefault);
std::string OptionText(int argc, char** argv, const char* pszName, const char* pszDefault);

void WriteWholeFile(const std::string& path, const std::string& bytes);
// Creates every folder of the path that is missing.
void CreateFolders(const std::string& folder);

// SendInput of one key, then a short pause so the hooks see the strokes apart.
void PressWithCtrl(WORD wVirtualKey);
// Ticks the entry with this title in Define Target's application list, as a click on its check box.
void Click(HWND hwndDialog, int nId);
// Whether the window's thread handles a message within the time.
bool Answers(HWND hwnd, DWORD dwTimeoutMs);
// A visible message box of the process and its text, or null.
HWND FindMessageBox(DWORD dwProcessId, std::string* pText);
