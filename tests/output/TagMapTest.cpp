// tests/output/TagMapTest.cpp — the tag map seen through its files: the .tmf index and the extent table of
// a small state, runs of events appended without their hotkey keystrokes, and the failures that end a
// session with nothing left in the temporary folder. Whole recordings through the map (first state, runs,
// deltas) are read back from the end-to-end runs.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "tests/output/TagMapSupport.h"

using tagmaptest::MapFixture;

namespace
{
DWORD Word(const std::string& bytes, size_t ib)
{
    DWORD dw = 0;
    if (ib + 4 <= bytes.size()) memcpy(&dw, bytes.data() + ib, 4);
    return dw;
}

TEST(TagMapTest, IndexesEveryTagAndDerivesTheExtentsInDocumentOrder)
{
    MapFixture fixture;
    fixture.simcap.bKeepTempOutputFiles = TRUE;
    ASSERT_TRUE(fixture.Start());
    ASSERT_TRUE(
        fixture.WriteState(3, "GetStateEvent\n  ID=3\n  Window\n    hWnd=1\n    Window\n      hWnd=2\n"));
    std::string xml = fixture.temp.File("_CFcapture_03.xml");
    std::string tmf = fixture.temp.File("_CFtagMap_03.tmf");
    std::string extents = fixture.temp.File("_CFtagMapMod_03.tmf");

    const std::vector<std::string> tags = {"<GetStateEvent>", "<ID>",      "</ID>",     "<Window>",
                                           "<hWnd>",          "</hWnd>",   "<Window>",  "<hWnd>",
                                           "</hWnd>",         "</Window>", "</Window>", "</GetStateEvent>"};
    ASSERT_EQ(34 * tags.size(), tmf.size());
    for (size_t i = 0; i < tags.size(); ++i)
    {
        SCOPED_TRACE(tags[i]);
        std::string record = tmf.substr(34 * i, 34);
        EXPECT_EQ(tags[i] + std::string(28 - tags[i].size(), '\0'), record.substr(4, 28));
        EXPECT_EQ("\r\n", record.substr(32));
        // A start tag's position is its "<"; an end tag's is just past its ">".
        DWORD dwPos = Word(record, 0);
        size_t ibTag = tags[i][1] == '/' ? dwPos - tags[i].size() : dwPos;
        EXPECT_EQ(tags[i], xml.substr(ibTag, tags[i].size()));
    }

    const std::vector<std::string> elements = {
        xml.substr(1, xml.size() - 2),
        "<ID>3</ID>",
        "<Window>\n\t\t\t<hWnd>1</hWnd>\n\t\t\t<Window>\n\t\t\t\t<hWnd>2</hWnd>\n\t\t\t</Window>\n\t\t</"
        "Window>",
        "<hWnd>1</hWnd>",
        "<Window>\n\t\t\t\t<hWnd>2</hWnd>\n\t\t\t</Window>",
        "<hWnd>2</hWnd>"};
    ASSERT_EQ(4 * (tags.size() + 4), extents.size());
    EXPECT_EQ(tags.size() + 4, Word(extents, 0));
    EXPECT_EQ(tags.size(), Word(extents, 4));
    ASSERT_EQ(elements.size(), Word(extents, 8));
    for (size_t k = 0; k < elements.size(); ++k)
    {
        DWORD dwStart = Word(extents, 16 + 8 * k), dwEnd = Word(extents, 20 + 8 * k);
        EXPECT_EQ(elements[k], xml.substr(dwStart, dwEnd - dwStart)) << k;
    }
    EXPECT_EQ("\t<GetStateEvent>", xml.substr(0, 16));

    // Kept files stay when the map goes.
    fixture.EndSession();
    EXPECT_NE("<missing _CFtagMapMod_03.tmf>", fixture.temp.File("_CFtagMapMod_03.tmf"));
}

// Whole records only; a start tag without its end tag gives no extent while the others are still found.
TEST(TagMapTest, DamagedIndexesGiveTheExtentsTheyCan)
{
    auto record = [](DWORD dwPos, const std::string& tag) {
        std::string bytes(34, '\0');
        memcpy(&bytes[0], &dwPos, 4);
        memcpy(&bytes[4], tag.data(), tag.size());
        bytes[32] = '\r';
        bytes[33] = '\n';
        return bytes;
    };
    const std::string complete =
        record(0, "<A>") + record(3, "<B>") + record(10, "</B>") + record(14, "</A>");
    const struct
    {
        const char* pszName;
        std::string tmf;
        std::vector<DWORD> extents; // start, end pairs
        bool bUnmatched;
    } cases[] = {
        {"complete", complete, {0, 14, 3, 10}, false},
        {"cut inside the last record", complete.substr(0, 34 * 3 + 20), {3, 10}, true},
        {"an end tag missing inside",
         record(0, "<A>") + record(3, "<B>") + record(20, "</A>"),
         {0, 20},
         true},
        {"a comment and a nested same name",
         record(0, "<A>") + record(2, "<!-- x") + record(5, "<A>") + record(9, "</A>") + record(12, "</A>"),
         {0, 12, 5, 9},
         false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        MapFixture fixture;
        ASSERT_TRUE(fixture.Start());
        TagMap& map = fixture.Map();
        configtest::WriteBytes(map.TempPath("_CFtest_00.tmf"), c.tmf);
        DWORD* pdwTmf = nullptr;
        ASSERT_TRUE(map.LoadFileToMemory("_CFtest_00.tmf", nullptr, pdwTmf));
        DWORD* pdwTable = map.SimplifyTmfData(pdwTmf);
        ASSERT_NE(nullptr, pdwTable);
        EXPECT_EQ(c.tmf.size() / 34, pdwTable[EXT_RECORDS]);
        EXPECT_EQ(std::vector<DWORD>(c.extents),
                  std::vector<DWORD>(pdwTable + EXT_FIRST, pdwTable + EXT_FIRST + 2 * pdwTable[EXT_COUNT]));
        const auto& asserts = tagmaptest::Asserts();
        EXPECT_EQ(c.bUnmatched,
                  std::find(asserts.begin(), asserts.end(),
                            "ASSERT TagMap SimplifyTmfData: Unable to find ending tag.") != asserts.end());
        TagMap::FreeMemObj(pdwTable);
        TagMap::FreeMemObj(pdwTmf);
        map.DeleteFromTemp("_CFtest_00.tmf");
    }
    MapFixture fixture;
    ASSERT_TRUE(fixture.Start());
    configtest::WriteBytes(fixture.Map().TempPath("_CFtest_00.tmf"), "");
    DWORD* pdwEmpty = nullptr;
    EXPECT_FALSE(fixture.Map().LoadFileToMemory("_CFtest_00.tmf", nullptr, pdwEmpty));
    EXPECT_EQ(nullptr, fixture.Map().SimplifyTmfData(pdwEmpty));
    fixture.Map().DeleteFromTemp("_CFtest_00.tmf");
}

// Key events as the journal hook writes them: "d" down, "u" up, then the virtual-key code.
std::string KeyEvents(const std::string& keys)
{
    std::string text;
    for (size_t i = 0; i + 1 < keys.size(); i += 3)
    {
        int nKey = atoi(keys.c_str() + i + 1);
        text += "\t\t<Event StateID=\"1\" EventType=\"JournalRecordEvent\">\n\t\t\t<message>" +
                std::to_string(keys[i] == 'd' ? 256 : 257) + "</message>\n\t\t\t<VirtualKeyCode>" +
                std::to_string(nKey) + "</VirtualKeyCode>\n\t\t</Event>\n";
    }
    return text;
}

// Each run of events reaches the capture file without the keystrokes of the hotkey that ended it.
TEST(TagMapTest, RunsOfEventsLoseTheirHotkeyKeystrokes)
{
    const struct
    {
        const char* pszName;
        const char *pszKeys, *pszKept;
        bool bCut; // the last event was cut: its tabs and line feed stay
    } cases[] = {
        {"the snapshot key", "d65u65d81u81", "d65u65", true},
        {"the stop key with Ctrl", "d65d17d83u83u17", "d65", true},
        {"Ctrl+Break is no hotkey", "d65u65d17d03", "d65u65d17d03", false},
        {"no hotkey at all", "d65u65", "d65u65", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.pszName);
        MapFixture fixture;
        fixture.simcap.nSnapshotKey = 'Q'; // the recorder's own keys, not the defaults
        fixture.simcap.nStopKey = 0x20000 | 'S';
        ASSERT_TRUE(fixture.Start());
        SIMCAP& simcap = fixture.simcap;
        simcap.WriteEventsMark("Events", 1);
        ASSERT_TRUE(simcap.WriteIndent(1) && simcap.WriteStartTag("Events", nullptr, 0, nullptr, nullptr) &&
                    simcap.WriteEscaped("\n") && simcap.WriteRaw(KeyEvents(c.pszKeys).c_str()));
        ASSERT_TRUE(simcap.WriteIndent(1) && simcap.WriteEndTag("Events") && simcap.WriteEscaped("\n"));
        simcap.WriteEventsMark("Events", 2);
        EXPECT_EQ("\t<Events>\n" + KeyEvents(c.pszKept) + (c.bCut ? "\t\t\n" : "") + "\t</Events>\n",
                  fixture.Finish());
    }
}

// A temporary folder that cannot be written, an append that fails, and a state whose outermost element
// never ends: the map tells the user or fails the session, and leaves nothing behind.
TEST(TagMapTest, FailuresEndTheSessionAndLeaveNothingBehind)
{
    {
        MapFixture fixture("C:\\no\\such\\folder");
        EXPECT_FALSE(fixture.Start());
        ASSERT_EQ(1u, fixture.diag.Boxes().size());
        EXPECT_EQ("Unable to create temporary file for tag mapping.", fixture.diag.Boxes()[0].text);
    }
    {
        MapFixture fixture;
        ASSERT_TRUE(fixture.Start());
        // The capture file refuses every write, as a full disk does.
        ASSERT_TRUE(fixture.capture.Open(OF_READ | OF_SHARE_EXCLUSIVE));
        EXPECT_FALSE(fixture.WriteState(1, "GetStateEvent\n  ID=1\n"));
        EXPECT_EQ(static_cast<UINT>(TS_FAILED), fixture.simcap.nWrThreadStatus.load());
        EXPECT_FALSE(fixture.Map().RestoreMainOutput());
        fixture.EndSession();
        EXPECT_EQ(std::vector<std::string>{}, fixture.temp.Names());
    }
    {
        MapFixture fixture;
        ASSERT_TRUE(fixture.Start());
        SIMCAP& simcap = fixture.simcap;
        fixture.Map().SetNewState(simcap.hCaptureFile, 1, 1);
        ASSERT_TRUE(simcap.WriteIndent(1) &&
                    simcap.WriteStartTag("GetStateEvent", nullptr, 0, nullptr, nullptr) &&
                    simcap.WriteEscaped("\n") && simcap.WriteSimpleTag(2, "ID", "1", nullptr));
        EXPECT_FALSE(fixture.Map().SetNewState(simcap.hCaptureFile, 1, 2));
        EXPECT_EQ(static_cast<UINT>(TS_FAILED), simcap.nWrThreadStatus.load());
        EXPECT_EQ("", fixture.Finish()) << "nothing of the state reaches the capture file";
        fixture.EndSession();
        EXPECT_EQ(std::vector<std::string>{}, fixture.temp.Names());
    }
}

} // namespace
