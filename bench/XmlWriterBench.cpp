// bench/XmlWriterBench.cpp — event-shaped XML through the recorder's writer against one raw _lwrite of
// the same bytes, in the same run. Prints the time of each and their ratio.
#include <windows.h>

#include <stdio.h>

#include <algorithm>
#include <string>

#include "host/SimCap.h"
#include "output/Tags.h"

namespace
{
const int c_nEvents = 20000; // five simple elements each: 100k simple elements

double Seconds(const LARGE_INTEGER& liStart, const LARGE_INTEGER& liEnd)
{
    LARGE_INTEGER liFrequency;
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liEnd.QuadPart - liStart.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

BOOL WriteEvents(SIMCAP& simcap)
{
    if (!simcap.WriteStartTag(Tags::TagTxt(TAG_XML_DECLARATION), nullptr, 0, nullptr, nullptr) ||
        !simcap.WriteEscaped("\n") ||
        !simcap.WriteStartTag(Tags::TagTxt(TAG_SIMCAP), nullptr, 0, nullptr, nullptr) ||
        !simcap.WriteEscaped("\n"))
        return FALSE;
    for (int i = 0; i < c_nEvents; i++)
    {
        BOOL bOk =
            simcap.WriteIndent(1) &&
            simcap.WriteStartTag(Tags::TagTxt(TAG_EVENT), "StateID", 1, "EventType", "JournalRecordEvent") &&
            simcap.WriteEscaped("\n") && simcap.WriteSimpleTagInt(2, Tags::TagTxt(TAG_ID), i, nullptr) &&
            simcap.WriteSimpleTagUInt(2, Tags::TagTxt(TAG_MESSAGE), 256, "WM_KEYDOWN") &&
            simcap.WriteSimpleTag(2, "Text", "Save <all> & close #2\t\"now\"", nullptr) &&
            simcap.WriteSimpleTagUInt(2, Tags::TagTxt(TAG_HWND), 0x000A01F4, nullptr) &&
            simcap.WriteSimpleTag(2, "ClassName", "Caf\xE9 Edit", nullptr) && simcap.WriteIndent(1) &&
            simcap.WriteEndTag(Tags::TagTxt(TAG_EVENT)) && simcap.WriteEscaped("\n");
        if (!bOk) return FALSE;
    }
    return simcap.WriteEndTag(Tags::TagTxt(TAG_SIMCAP)) && simcap.WriteEscaped("\n");
}

std::string ReadAll(LPCSTR pszPath)
{
    std::string bytes;
    HANDLE h = CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    char buf[65536];
    DWORD cb;
    while (ReadFile(h, buf, sizeof(buf), &cb, nullptr) && cb)
        bytes.append(buf, cb);
    CloseHandle(h);
    return bytes;
}
} // namespace

int main()
{
    char szTemp[MAX_PATH + 1];
    GetTempPathA(sizeof(szTemp), szTemp);
    std::string writerPath = std::string(szTemp) + "xmlbench_writer.xml";
    std::string rawPath = std::string(szTemp) + "xmlbench_raw.xml";

    // Best of a few runs each: a single large write is quick enough for the system's noise to matter.
    double dWriter = 1e9, dRaw = 1e9;
    std::string bytes;
    LARGE_INTEGER liStart, liEnd;
    for (int nRun = 0; nRun < 3; nRun++)
    {
        SIMCAP simcap;
        g_pSimCap = &simcap;
        simcap.hCaptureFile =
            OpenFile(writerPath.c_str(), &simcap.ofCapture, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        if (simcap.hCaptureFile == HFILE_ERROR) return 1;
        QueryPerformanceCounter(&liStart);
        // The last collected pieces reach the file before the clock stops, as they must before a close.
        BOOL bOk = WriteEvents(simcap) && simcap.FlushOutput();
        QueryPerformanceCounter(&liEnd);
        _lclose(simcap.hCaptureFile);
        simcap.hCaptureFile = HFILE_ERROR;
        g_pSimCap = nullptr;
        if (!bOk) return 2;
        dWriter = std::min(dWriter, Seconds(liStart, liEnd));
    }

    bytes = ReadAll(writerPath.c_str());
    for (int nRun = 0; nRun < 5; nRun++)
    {
        OFSTRUCT of = {};
        of.cBytes = sizeof(of);
        HFILE hf = OpenFile(rawPath.c_str(), &of, OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE);
        if (hf == HFILE_ERROR) return 3;
        QueryPerformanceCounter(&liStart);
        UINT cbWritten = _lwrite(hf, bytes.data(), static_cast<UINT>(bytes.size()));
        QueryPerformanceCounter(&liEnd);
        _lclose(hf);
        if (cbWritten != bytes.size()) return 4;
        dRaw = std::min(dRaw, Seconds(liStart, liEnd));
    }

    printf("%d events, %u bytes\nwriter %.4f s\nraw    %.4f s\nratio  %.1f\n", c_nEvents,
           static_cast<unsigned>(bytes.size()), dWriter, dRaw, dRaw > 0 ? dWriter / dRaw : 0.0);
    DeleteFileA(writerPath.c_str());
    DeleteFileA(rawPath.c_str());
    return 0;
}
