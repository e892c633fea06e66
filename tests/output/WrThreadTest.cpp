// tests/output/WrThreadTest.cpp — the writer thread seen from outside: the bytes of the capture file, the
// recording file it leaves after packaging, the commands the "Saving Data" dialog receives, and the
// writer status as the menu state drives it. An event list that cannot start is seen in the end-to-end
// session that fails at its first byte.
#include <windows.h>

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "host/SimCap.h"
#include "output/Tags.h"
#include "snapshot/BOGUSRecordEvent.h"
#include "snapshot/SimCapElement.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"

using configtest::Exists;
using configtest::ReadBytes;
using writertest::Command;
using writertest::StandIns;
using writertest::TestRecorder;
using writertest::ToDialog;

namespace
{
const char c_szDeclaration[] = "<?xml version=\"1.0\"?>\n";

// An event of an "Events" block, or one that stands between blocks.
class MarkEvent : public SIMCAP_ELEMENT
{
  public:
    MarkEvent(const char* psz, BOOL bMember) : pszText(psz), bBlockMember(bMember) {}
    BOOL IsEventBlockMember() const override { return bBlockMember; }
    LPCSTR GetEventType() const override { return "MarkEvent"; }
    BOOL Write(int nDepth) override
    {
        return g_pSimCap->WriteSimpleTag(nDepth, bBlockMember ? "Mark" : "Note", pszText, nullptr);
    }

  private:
    const char* pszText;
    BOOL bBlockMember;
};

std::string Mark(const char* psz)
{
    return std::string("\t\t<Mark>") + psz + "</Mark>\n";
}

// The writer holds the capture file open exclusively; its size can still be seen from outside.
DWORD SizeOnDisk(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    return GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ? data.nFileSizeLow : 0;
}

// The first entry of a zip archive, inflated, when it is named name; "<missing>" otherwise.
std::string FirstZipEntry(std::string archive, const std::string& name)
{
    auto word = [&](size_t i) {
        return static_cast<BYTE>(archive[i]) | static_cast<BYTE>(archive[i + 1]) << 8;
    };
    if (archive.size() < 30 || archive.compare(30, word(26), name) != 0) return "<missing>";
    std::string bytes(1 << 20, '\0');
    z_stream zs = {};
    inflateInit2(&zs, -MAX_WBITS);
    zs.next_in = reinterpret_cast<Bytef*>(&archive[30 + word(26) + word(28)]);
    zs.avail_in = static_cast<uInt>(archive.size() - 30 - word(26) - word(28));
    zs.next_out = reinterpret_cast<Bytef*>(&bytes[0]);
    zs.avail_out = static_cast<uInt>(bytes.size());
    int nResult = inflate(&zs, Z_FINISH);
    bytes.resize(zs.total_out);
    inflateEnd(&zs);
    return nResult == Z_STREAM_END ? bytes : "<corrupt>";
}

class WrThreadTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        EventList().DeleteAll();
        SIMCAP_ELEMENT::ResetCounters();
    }

    UINT Status() { return recorder->nWrThreadStatus.load(); }
    bool WaitForStatus(UINT nStatus, DWORD dwTimeoutMs)
    {
        return PumpUntil([&] { return Status() == nStatus; }, dwTimeoutMs);
    }
    // What StartCapture leaves for the writer: a session folder with an empty capture file.
    std::string StartSession()
    {
        EXPECT_TRUE(recorder->IncrementSessionID());
        EXPECT_TRUE(recorder->CreateSessionFolder());
        char szPath[MAX_PATH + 1];
        EXPECT_NE(HFILE_ERROR, recorder->OpenCaptureFile(szPath, sizeof(szPath), TRUE));
        recorder->CloseCaptureFile(4);
        return szPath;
    }
    // As teardown ends the thread; FALSE when it does not end in time.
    bool EndThread()
    {
        recorder->bQuitting = TRUE;
        recorder->nWrThreadStatus = TS_EXIT;
        bool bEnded = WaitForSingleObject(recorder->hWrThread, 3000) == WAIT_OBJECT_0;
        return bEnded && recorder->DestroyWrThread() && !recorder->hWrThread;
    }

    TestRecorder recorder;
    StandIns standIns;
    DiagCapture diag;
};
} // namespace

TEST_F(WrThreadTest, TheEventListStandsInTheRootAfterTheDeclarationAndOptionalExclusions)
{
    const std::string exclusions = "\t<!-- The following messages will be excluded if they are seen -->\n"
                                   "\t\t<!-- Excluded Message: 15 -->\n"
                                   "\t\t<!-- Excluded Message: 512 -->\n"
                                   "\t<!-- The following applications will be excluded if they are seen -->\n"
                                   "\t\t<!-- Excluded Application: Calc.exe -->\n"
                                   "\t\t<!-- Excluded Application: notepad.exe -->\n";
    const std::string body =
        "<SimCap>\n\t<Events>\n" + Mark("a") + Mark("b") + "\t</Events>\n\t<Note>n</Note>\n</SimCap>\n";
    recorder->aExclMessages.Exclude(512);
    recorder->aExclMessages.Exclude(15);
    recorder->aExclApplications.Exclude("notepad.exe");
    recorder->aExclApplications.Exclude("Calc.exe");
    for (BOOL bDebugExclusions : {FALSE, TRUE})
    {
        outputtest::TempCaptureFile file(*recorder.pSimCap);
        recorder->bDebugExclusions = bDebugExclusions;
        new MarkEvent("a", TRUE);
        new MarkEvent("b", TRUE);
        new MarkEvent("n", FALSE);
        EXPECT_TRUE(recorder->WriteEventList()) << bDebugExclusions;
        EXPECT_EQ(c_szDeclaration + (bDebugExclusions ? exclusions : "") + body, file.Contents())
            << bDebugExclusions;
        EXPECT_EQ(nullptr, EventList().Head()) << "written events leave the list";
    }
}

// One recording from the thread's start to its end, driven by the menu state as the UI thread drives it.
TEST_F(WrThreadTest, TheThreadStreamsARecordingPackagesItAndEndsOnExit)
{
    std::string capture = StartSession();
    std::string session = recorder.output + "\\SC_0001";
    ASSERT_TRUE(recorder->CreateWrThread());
    ASSERT_TRUE(WaitForStatus(TS_IDLE, 1000));
    EXPECT_TRUE(diag.HasLine("Background thread started with dwData=1\n"));

    // Idle: the events wait for the recording to start; then each is written once two newer ones exist.
    new MarkEvent("a", TRUE);
    new MarkEvent("b", TRUE);
    new MarkEvent("c", TRUE);
    ASSERT_TRUE(BOGUSRecordEvent::QueuePair());
    PumpUntil([] { return false; }, 300);
    EXPECT_EQ(0u, SizeOnDisk(capture));

    recorder->nMenuState = MS_CAPTURING;
    ASSERT_TRUE(WaitForStatus(TS_RUNNING, 3000));
    std::string written =
        c_szDeclaration + std::string("<SimCap>\n\t<Events>\n") + Mark("a") + Mark("b") + Mark("c");
    EXPECT_TRUE(PumpUntil([&] { return SizeOnDisk(capture) == written.size(); }, 4000))
        << SizeOnDisk(capture);
    new MarkEvent("d", TRUE);
    ASSERT_TRUE(BOGUSRecordEvent::QueuePair());
    written += "\t</Events>\n\t<Events>\n" + Mark("d");
    EXPECT_TRUE(PumpUntil([&] { return SizeOnDisk(capture) == written.size(); }, 3000))
        << SizeOnDisk(capture);

    // Stopping: the rest is written, the session folder becomes the recording file, the dialog ends.
    standIns.RegisterDialog();
    recorder->nMenuState = MS_STOPPING;
    ASSERT_TRUE(WaitForStatus(TS_DONE, 5000)) << Status();
    PumpUntil([&] { return standIns.DialogCommands().size() >= 2; }, 1000);
    EXPECT_EQ((std::vector<Command>{ToDialog(3, true, "Packaging output data..."), ToDialog(1, false)}),
              standIns.DialogCommands());
    EXPECT_FALSE(Exists(session));
    EXPECT_EQ(written + "\t</Events>\n</SimCap>\n", FirstZipEntry(ReadBytes(recorder.recording), "rec.xml"));
    EXPECT_TRUE(diag.HasLine("SIMCAP::OnCommand(): Done writing '" + session + "\\rec.qmr'\n"));

    recorder->nMenuState = MS_READY;
    EXPECT_TRUE(WaitForStatus(TS_IDLE, 1000)) << Status();

    // A cancelled "Saving Data" dialog abandons a session but keeps the thread.
    recorder->nWrThreadStatus = TS_EXIT;
    EXPECT_TRUE(WaitForStatus(TS_IDLE, 1000)) << Status();
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(recorder->hWrThread, 0));

    EXPECT_TRUE(EndThread());
    EXPECT_TRUE(diag.HasLine("Exited thread loop.\n"));
}

TEST_F(WrThreadTest, ACaptureFileThatCannotBeReopenedFailsItsSessionOnce)
{
    std::string capture = StartSession();
    ASSERT_TRUE(DeleteFileA(capture.c_str()));
    recorder->nMenuState = MS_CAPTURING;
    ASSERT_TRUE(recorder->CreateWrThread());

    ASSERT_TRUE(PumpUntil([&] { return !diag.Boxes().empty(); }, 2000));
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), diag.Boxes()[0].uFlags);
    EXPECT_NE(std::string::npos,
              diag.Joined().find("SIMCAP::RecordEvent(): Error opening '" + capture + "' - [2] "));
    EXPECT_TRUE(WaitForStatus(TS_IDLE, 1000)) << Status();
    // The finished session is not tried again while the recording goes on.
    PumpUntil([] { return false; }, 2500);
    EXPECT_EQ(1u, diag.Boxes().size());
    EXPECT_EQ(static_cast<UINT>(TS_IDLE), Status());

    // Its stop ends the "Saving Data" dialog with failure.
    standIns.RegisterDialog();
    recorder->nMenuState = MS_STOPPING;
    EXPECT_TRUE(PumpUntil([&] { return !standIns.DialogCommands().empty(); }, 3000));
    EXPECT_EQ(std::vector<Command>{ToDialog(2, false)}, standIns.DialogCommands());
    recorder->nMenuState = MS_READY;
    EXPECT_TRUE(EndThread());
}
