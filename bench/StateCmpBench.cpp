// bench/StateCmpBench.cpp — the delta of two large states (many windows, one text changed) against one
// linear read of both states' files, in the same run, for states of 1 to 5 MB. Prints the times, the
// ratio, and how the delta's time grows with the size.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <initializer_list>
#include <string>

#include "host/SimCap.h"
#include "output/StateCmp.h"
#include "output/TagMap.h"
#include "output/Tags.h"

namespace
{
double Now()
{
    LARGE_INTEGER li, liFrequency;
    QueryPerformanceCounter(&li);
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(li.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

// A state's text and its .tmf index, written as the writer and the tag map write them.
class StateText
{
  public:
    void Start(const char* pszName, int nDepth)
    {
        xml.append(static_cast<size_t>(nDepth), '\t');
        Record(pszName, TRUE);
        xml += std::string("<") + pszName + ">\n";
    }
    void End(const char* pszName, int nDepth)
    {
        xml.append(static_cast<size_t>(nDepth), '\t');
        xml += std::string("</") + pszName + ">";
        Record(pszName, FALSE);
        xml += "\n";
    }
    void Simple(const char* pszName, const std::string& value, int nDepth)
    {
        xml.append(static_cast<size_t>(nDepth), '\t');
        Record(pszName, TRUE);
        xml += std::string("<") + pszName + ">" + value + "</" + pszName + ">";
        Record(pszName, FALSE);
        xml += "\n";
    }

    std::string xml;
    std::string tmf;

  private:
    void Record(const char* pszName, BOOL bStart)
    {
        char achRecord[TMF_RECORD_SIZE] = {};
        DWORD dwPosition = static_cast<DWORD>(xml.size());
        memcpy(achRecord, &dwPosition, 4);
        wsprintfA(achRecord + 4, bStart ? "<%s>" : "</%s>", pszName);
        achRecord[32] = '\r';
        achRecord[33] = '\n';
        tmf.append(achRecord, sizeof(achRecord));
    }
};

void Window(StateText& s, int nDepth, DWORD hWnd, DWORD hParent, const char* pszClass,
            const std::string& text)
{
    s.Start("Window", nDepth);
    s.Simple("hWnd", std::to_string(hWnd), nDepth + 1);
    s.Simple("hParentWnd", std::to_string(hParent), nDepth + 1);
    s.Simple("ClassName", pszClass, nDepth + 1);
    s.Simple("Text", text, nDepth + 1);
    s.Simple("Style", "1442840576", nDepth + 1);
    s.Simple("ExtendedStyle", "512", nDepth + 1);
    s.Start("RECT", nDepth + 1);
    for (const char* pszSide : {"left", "top", "right", "bottom"})
        s.Simple(pszSide, std::to_string(hWnd % 997), nDepth + 2);
    s.End("RECT", nDepth + 1);
}

// cTop top-level windows of eight children each; the text of one child differs when bChanged is set.
StateText MakeState(int nId, int cTop, BOOL bChanged)
{
    StateText s;
    s.Start("GetStateEvent", 1);
    s.Simple("ID", std::to_string(nId), 2);
    s.Simple("FocusWnd", "65552", 2);
    for (int i = 0; i < cTop; ++i)
    {
        DWORD hTop = 0x10000 + 16 * static_cast<DWORD>(i);
        Window(s, 2, hTop, 0, "Notepad", "Untitled - Notepad " + std::to_string(i));
        for (int c = 0; c < 8; ++c)
        {
            std::string text = "child text of an edit control " + std::to_string(c);
            if (bChanged && i == cTop / 2 && c == 3) text += " typed";
            Window(s, 3, hTop + 1 + static_cast<DWORD>(c), hTop, "Edit", text);
            s.End("Window", 3);
        }
        s.End("Window", 2);
    }
    s.End("GetStateEvent", 1);
    return s;
}

BOOL WriteTemp(TagMap& map, LPCSTR pszName, const std::string& bytes)
{
    HFILE h = map.CreateTempFile(pszName);
    if (h == HFILE_ERROR) return FALSE;
    BOOL bOk = _lwrite(h, bytes.data(), static_cast<UINT>(bytes.size())) == bytes.size();
    _lclose(h);
    return bOk;
}
} // namespace

int main()
{
    SIMCAP simcap;
    g_pSimCap = &simcap;
    simcap.pTags = new Tags;
    simcap.pTags->BuildKeyAttrLists();
    TagMap map(simcap, nullptr, nullptr);
    if (!map.Init()) return 1;

    printf("%-8s %10s %12s %12s %12s %8s\n", "state", "windows", "extents ms", "read ms", "delta ms",
           "ratio");
    double dFirstDelta = 0, dFirstSize = 0;
    for (int nMb = 1; nMb <= 5; ++nMb)
    {
        // About 5,800 bytes per top-level window with its children.
        int cTop = nMb * 1000000 / 5800;
        StateText prev = MakeState(1, cTop, FALSE), cur = MakeState(2, cTop, TRUE);
        if (!WriteTemp(map, "_CFbenchPrev_00.xml", prev.xml) ||
            !WriteTemp(map, "_CFbenchCur_00.xml", cur.xml) ||
            !WriteTemp(map, "_CFbenchPrev_00.tmf", prev.tmf) ||
            !WriteTemp(map, "_CFbenchCur_00.tmf", cur.tmf))
            return 1;

        // Baseline: one linear read of both states' files, as the tag map reads them.
        double dRead = 1e9;
        DWORD *pdwPrevXml = nullptr, *pdwCurXml = nullptr;
        for (int nRun = 0; nRun < 3; ++nRun)
        {
            double dStart = Now();
            map.LoadFileToMemory("_CFbenchPrev_00.xml", nullptr, pdwPrevXml);
            map.LoadFileToMemory("_CFbenchCur_00.xml", nullptr, pdwCurXml);
            dRead = std::min(dRead, Now() - dStart);
            if (nRun < 2)
            {
                TagMap::FreeMemObj(pdwPrevXml);
                TagMap::FreeMemObj(pdwCurXml);
            }
        }

        DWORD *pdwPrevTmf = nullptr, *pdwCurTmf = nullptr;
        map.LoadFileToMemory("_CFbenchPrev_00.tmf", nullptr, pdwPrevTmf);
        map.LoadFileToMemory("_CFbenchCur_00.tmf", nullptr, pdwCurTmf);
        double dStart = Now();
        DWORD* pdwPrevExt = map.SimplifyTmfData(pdwPrevTmf);
        DWORD* pdwCurExt = map.SimplifyTmfData(pdwCurTmf);
        double dExtents = Now() - dStart;

        double dDelta = 1e9;
        BOOL bOk = TRUE;
        for (int nRun = 0; nRun < 3 && bOk; ++nRun)
        {
            StateCmp cmp(map);
            dStart = Now();
            bOk = cmp.SetUpAndCompare(pdwPrevXml, pdwPrevExt, pdwCurXml, pdwCurExt);
            dDelta = std::min(dDelta, Now() - dStart);
        }
        DWORD* pdwDelta = nullptr;
        map.LoadFileToMemory("_CFdeltaCompare_00.xml", nullptr, pdwDelta);
        DWORD cbDelta = TagMap::GetMemObjSize(pdwDelta);

        double dSize = static_cast<double>(prev.xml.size());
        if (nMb == 1)
        {
            dFirstDelta = dDelta;
            dFirstSize = dSize;
        }
        printf("%5.2f MB %10d %12.1f %12.1f %12.1f %8.2f   delta %lu bytes%s\n", dSize / 1e6, cTop * 9,
               dExtents * 1e3, dRead * 1e3, dDelta * 1e3, dDelta / dRead, cbDelta, bOk ? "" : " FAILED");
        if (nMb == 5)
            printf("growth 1 MB -> 5 MB: size x%.2f, delta time x%.2f\n", dSize / dFirstSize,
                   dDelta / dFirstDelta);
        for (DWORD** ppdw :
             {&pdwPrevXml, &pdwCurXml, &pdwPrevTmf, &pdwCurTmf, &pdwPrevExt, &pdwCurExt, &pdwDelta})
            TagMap::FreeMemObj(*ppdw);
    }
    for (LPCSTR pszName :
         {"_CFbenchPrev_00.xml", "_CFbenchCur_00.xml", "_CFbenchPrev_00.tmf", "_CFbenchCur_00.tmf"})
        map.DeleteFromTemp(pszName);
    return 0;
}
