// tests/output/TagMapSupport.h — a recorder with a tag map whose temporary files go to a private folder,
// a capture file as its main output, and states written through the real writer from a short outline.
#pragma once
#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "host/SimCap.h"
#include "output/TagMap.h"
#include "output/Tags.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"
#include "util/Assert.h"

namespace tagmaptest
{
inline std::vector<std::string>& Asserts()
{
    static std::vector<std::string> texts;
    return texts;
}

// The recorder's temporary folder is a private one for the test's life (TMP decides GetTempPathA).
class TempFolder
{
  public:
    explicit TempFolder(const std::string& override = "")
    {
        char sz[MAX_PATH + 1] = "";
        GetEnvironmentVariableA("TMP", sz, sizeof(sz));
        saved = sz;
        path = override.empty() ? dir.Path("tmp") : override;
        if (override.empty()) CreateDirectoryA(path.c_str(), nullptr);
        SetEnvironmentVariableA("TMP", path.c_str());
    }
    ~TempFolder()
    {
        SetEnvironmentVariableA("TMP", saved.empty() ? nullptr : saved.c_str());
        for (const std::string& name : writertest::ListNames(path))
            DeleteFileA((path + "\\" + name).c_str());
        RemoveDirectoryA(path.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::vector<std::string> Names() const { return writertest::ListNames(path); }
    // The bytes of the one temporary file whose name ends in suffix.
    std::string File(const std::string& suffix) const
    {
        for (const std::string& name : Names())
            if (name.size() >= suffix.size() &&
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
                return configtest::ReadBytes(path + "\\" + name);
        return "<missing " + suffix + ">";
    }

    configtest::TempDir dir;
    std::string path;
    std::string saved;
};

// Writes an outline as the snapshot writes a state: one line per element, two spaces of the outline per
// level; "name=value" is a simple element, "name" one with children, "name=" an empty value.
inline BOOL WriteOutline(SIMCAP& simcap, const std::string& outline, int nDepth)
{
    std::istringstream in(outline);
    std::string line;
    std::vector<std::string> open;
    BOOL bOk = TRUE;
    auto close = [&] {
        std::string name = open.back();
        open.pop_back();
        return simcap.WriteIndent(nDepth + static_cast<int>(open.size())) &&
               simcap.WriteEndTag(name.c_str()) && simcap.WriteEscaped("\n");
    };
    while (std::getline(in, line))
    {
        size_t cchSpaces = line.find_first_not_of(' ');
        if (cchSpaces == std::string::npos) continue;
        int nLevel = static_cast<int>(cchSpaces / 2);
        while (static_cast<int>(open.size()) > nLevel)
            bOk = bOk && close();
        std::string item = line.substr(cchSpaces);
        size_t ichEq = item.find('=');
        int nIndent = nDepth + nLevel;
        if (ichEq != std::string::npos)
            bOk = bOk && simcap.WriteSimpleTag(nIndent, item.substr(0, ichEq).c_str(),
                                               item.substr(ichEq + 1).c_str(), nullptr);
        else
        {
            bOk = bOk && simcap.WriteIndent(nIndent) &&
                  simcap.WriteStartTag(item.c_str(), nullptr, 0, nullptr, nullptr) &&
                  simcap.WriteEscaped("\n");
            open.push_back(item);
        }
    }
    while (!open.empty())
        bOk = bOk && close();
    return bOk;
}

// A recorder object with the vocabulary, a capture file and (after Start) a tag map. The capture file is
// made before the private temporary folder, so that folder holds only what the map puts there.
class MapFixture
{
  public:
    explicit MapFixture(const std::string& tempFolder = "") : temp(tempFolder)
    {
        g_pSimCap = &simcap;
        simcap.pTags = new Tags;
        simcap.pTags->BuildKeyAttrLists();
        simcap.nWrThreadStatus = TS_RUNNING;
        Asserts().clear();
        SetAssertObserver([](LPCSTR psz) { Asserts().push_back(psz); });
    }
    ~MapFixture()
    {
        delete simcap.pTagMap;
        simcap.pTagMap = nullptr;
        delete simcap.pTags;
        simcap.pTags = nullptr;
        SetAssertObserver(nullptr);
        g_pSimCap = nullptr;
    }
    MapFixture(const MapFixture&) = delete;
    MapFixture& operator=(const MapFixture&) = delete;

    bool Start()
    {
        simcap.pTagMap = NewTagMap(simcap);
        return simcap.pTagMap != nullptr;
    }
    TagMap& Map() { return *simcap.pTagMap; }

    BOOL WriteOutline(const std::string& outline, int nDepth = 1)
    {
        return tagmaptest::WriteOutline(simcap, outline, nDepth);
    }

    // As a session ends: the capture file closed, then the map destroyed.
    void EndSession()
    {
        simcap.CloseCaptureFile(3);
        delete simcap.pTagMap;
        simcap.pTagMap = nullptr;
    }

    // One state between its two marks, as the snapshot writes it.
    BOOL WriteState(int nState, const std::string& outline)
    {
        simcap.pTagMap->SetNewState(simcap.hCaptureFile, nState, 1);
        BOOL bOk = WriteOutline(outline);
        return simcap.pTagMap->SetNewState(simcap.hCaptureFile, nState, 2) && bOk;
    }

    // Ends the capture file as the writer does (main output back, closed) and answers its bytes.
    std::string Finish()
    {
        simcap.pTagMap->RestoreMainOutput();
        simcap.CloseCaptureFile(5);
        return capture.Contents();
    }

    DiagCapture diag;
    SIMCAP simcap;
    outputtest::TempCaptureFile capture{simcap};
    TempFolder temp;
};
} // namespace tagmaptest
