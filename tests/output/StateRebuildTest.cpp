// tests/output/StateRebuildTest.cpp — the same sequence of states written twice, once with later states as
// deltas and once in full; the rebuild tool then checks, outside Wine's process, that rebuilding the
// deltas gives the full states element for element (tests/CMakeLists.txt runs it).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/output/TagMapSupport.h"

using tagmaptest::MapFixture;

namespace
{
struct Window
{
    int hWnd;
    int nParent;
    std::string className;
    std::string text;
    int nButtons; // a toolbar's buttons, keyed by their index
};

// A small desktop that changes a little at every step, in a repeatable way.
class Desktop
{
  public:
    Desktop()
    {
        for (int i = 0; i < 12; ++i)
            windows.push_back({100 + i, i % 3 == 0 ? 0 : 100 + i / 3 * 3, i % 4 ? "Edit" : "ToolbarWindow32",
                               "text " + std::to_string(i), i % 4 ? 0 : 3});
    }

    void Step(int nStep)
    {
        unsigned n = Next();
        windows[n % windows.size()].text += " typed " + std::to_string(nStep);
        if (nStep % 2) windows.push_back({200 + nStep, 100, "Button", "new " + std::to_string(nStep), 0});
        if (nStep % 3 == 0) windows.erase(windows.begin() + static_cast<long>(Next() % windows.size()));
        if (nStep % 4 == 1) windows[Next() % windows.size()].nButtons += 1;
        sMenu = "Save " + std::to_string(nStep % 2);
        // Windows change their Z order between steps.
        std::swap(windows[Next() % windows.size()], windows[Next() % windows.size()]);
    }

    std::string Outline(int nId) const
    {
        std::string text = "GetStateEvent\n  ID=" + std::to_string(nId) +
                           "\n  Processes\n    Process\n"
                           "      ProcessID=44\n      ProcessExeFile=notepad.exe\n  FocusWnd=100\n";
        for (const Window& w : windows)
        {
            text += "  Window\n    hWnd=" + std::to_string(w.hWnd) +
                    "\n    hParentWnd=" + std::to_string(w.nParent) + "\n    ClassName=" + w.className +
                    "\n    Text=" + w.text +
                    "\n    RECT\n      left=0\n"
                    "      top=0\n      right=" +
                    std::to_string(w.text.size()) + "\n      bottom=20\n";
            for (int b = 0; b < w.nButtons; ++b)
                text += "    ToolBarButton\n      Index=" + std::to_string(b) + "\n      fsState=4\n";
            if (w.hWnd == 100)
                text += "    Menu\n      hMenu=900\n      MenuItem\n        hMenu=900\n        ID=1\n        "
                        "Index=0\n"
                        "        Text=" +
                        sMenu + "\n";
        }
        return text;
    }

  private:
    unsigned Next()
    {
        nSeed = nSeed * 1103515245u + 12345u;
        return nSeed >> 16;
    }
    std::vector<Window> windows;
    std::string sMenu = "Save";
    unsigned nSeed = 7;
};

std::string WriteCapture(BOOL bShowDeltaState, int cStates)
{
    MapFixture fixture;
    fixture.simcap.bShowDeltaState = bShowDeltaState;
    if (!fixture.Start()) return "";
    SIMCAP& simcap = fixture.simcap;
    simcap.WriteStartTag(Tags::TagTxt(TAG_XML_DECLARATION), nullptr, 0, nullptr, nullptr);
    simcap.WriteEscaped("\n");
    simcap.WriteStartTag(Tags::TagTxt(TAG_SIMCAP), nullptr, 0, nullptr, nullptr);
    simcap.WriteEscaped("\n");
    Desktop desktop;
    for (int nState = 1; nState <= cStates; ++nState)
    {
        if (nState > 1) desktop.Step(nState);
        if (!fixture.WriteState(nState, desktop.Outline(nState))) return "";
    }
    fixture.Map().RestoreMainOutput();
    simcap.WriteEndTag(Tags::TagTxt(TAG_SIMCAP));
    simcap.WriteEscaped("\n");
    return fixture.Finish();
}

TEST(StateRebuildTest, WritesTheSameStatesAsDeltasAndInFull)
{
    const int c_cStates = 12;
    std::string deltas = WriteCapture(TRUE, c_cStates);
    std::string full = WriteCapture(FALSE, c_cStates);
    auto count = [](const std::string& text, const std::string& what) {
        size_t c = 0;
        for (size_t ib = text.find(what); ib != std::string::npos; ib = text.find(what, ib + 1))
            ++c;
        return c;
    };
    EXPECT_EQ(1u, count(deltas, "<GetStateEvent>"));
    EXPECT_EQ(static_cast<size_t>(c_cStates - 1), count(deltas, "<EventStateChanges>"));
    EXPECT_EQ(static_cast<size_t>(c_cStates), count(full, "<GetStateEvent>"));
    EXPECT_EQ(0u, count(full, "<EventStateChanges>"));

    char szDir[MAX_PATH + 1];
    if (!GetEnvironmentVariableA("REBUILD_CHECK_DIR", szDir, sizeof(szDir))) return;
    CreateDirectoryA(szDir, nullptr);
    configtest::WriteBytes(std::string(szDir) + "\\deltas.xml", deltas);
    configtest::WriteBytes(std::string(szDir) + "\\full.xml", full);
}
} // namespace
