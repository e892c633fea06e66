// tests/output/ZipWriterTest.cpp — packing a folder, seen from outside: what lands at the archive path and
// what is left beside it. What is inside the archives is judged by an independent reader: with
// ZIP_CHECK_DIR set, the archives and their source folder stay there for tests/output/check_zip.py.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/SimCap.h"
#include "output/ZipWriter.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"

using configtest::Exists;
using configtest::ReadBytes;
using configtest::WriteBytes;
using writertest::ListNames;
using writertest::StandIns;
using writertest::TestRecorder;
using writertest::ToDialog;

namespace
{
std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// A fresh folder inside a temporary one. The one the reader checks lies in ZIP_CHECK_DIR when that is set,
// and stays there.
std::string MakeFolder(const configtest::TempDir& temp, const char* pszName, bool bForReader = false)
{
    char szRoot[MAX_PATH];
    DWORD cch = GetEnvironmentVariableA("ZIP_CHECK_DIR", szRoot, sizeof(szRoot));
    bool bKeep = bForReader && cch && cch < sizeof(szRoot);
    std::replace(szRoot, szRoot + (bKeep ? cch : 0), '/', '\\');
    if (bKeep) CreateDirectoryA(szRoot, nullptr);
    std::string path = (bKeep ? std::string(szRoot) : temp.path) + "\\" + pszName;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

// Every byte value, then bytes deflate cannot shrink (its output exceeds its input there).
std::string BinaryBytes()
{
    std::string bytes;
    for (int i = 0; i < 64 * 256; i++)
        bytes += static_cast<char>(i);
    for (DWORD dwSeed = 12345; bytes.size() < 320 * 1024;)
    {
        dwSeed = dwSeed * 1103515245 + 12345;
        bytes += static_cast<char>(dwSeed >> 23);
    }
    return bytes;
}

// A folder as a session leaves it, plus a read-only file and a sub-folder that must stay out.
void FillSessionFolder(const std::string& folder, bool bExtras)
{
    std::string xml;
    for (int i = 0; xml.size() < 3 * 1024 * 1024; i++) // deflate shrinks it well
        xml += "\t<Event Seq=\"" + std::to_string(i) + "\"><Text>step " + std::to_string(i % 97) +
               "</Text></Event>\n";
    ASSERT_TRUE(WriteBytes(folder + "\\empty.dat", ""));
    ASSERT_TRUE(WriteBytes(folder + "\\all bytes.bin", BinaryBytes()));
    ASSERT_TRUE(WriteBytes(folder + "\\capture.xml", xml));
    ASSERT_TRUE(WriteBytes(folder + "\\name with spaces.txt", "spaces\r\n"));
    ASSERT_TRUE(WriteBytes(folder + "\\caf\xE9.txt", "accent\r\n"));
    ASSERT_TRUE(WriteBytes(folder + "\\read only.bmp", std::string(1000, '\x7F')));
    if (!bExtras) return;
    ASSERT_TRUE(SetFileAttributesA((folder + "\\read only.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(folder + "\\sub\\inner.txt", "must not be packed"));
}
const int c_cFilesInSession = 6;

// The entry count of the end record when the archive starts with a local header and ends with the end
// record (no comment); -1 otherwise.
int EndRecordEntries(const std::string& bytes)
{
    if (bytes.size() < 22 || bytes.compare(0, 4, "PK\x03\x04") != 0) return -1;
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size() - 22);
    if (memcmp(pb, "PK\x05\x06", 4) != 0) return -1;
    return pb[10] | (pb[11] << 8);
}
} // namespace

TEST(QuoteStringTest, QuotesUnlessAlreadyQuotedOrTooLong)
{
    const struct
    {
        const char* pszPair;
        const char* pszText;
        UINT cchText;
        BOOL bForce;
        BOOL bExpected;
        const char* pszExpected;
    } cases[] = {
        {"\"\"", "C:\\My Files\\rec.qmr", 263, FALSE, TRUE, "\"C:\\My Files\\rec.qmr\""},
        {"\"\"", "\"C:\\rec.qmr\"", 263, FALSE, TRUE, "\"C:\\rec.qmr\""},
        {"\"\"", "\"C:\\rec.qmr\"", 263, TRUE, TRUE, "\"\"C:\\rec.qmr\"\""},
        {"\"\"", "\"C:\\rec.qmr", 263, FALSE, TRUE, "\"\"C:\\rec.qmr\""},
        {"\"\"", "\"", 263, FALSE, TRUE, "\"\"\""},
        {"\"\"", "", 263, FALSE, TRUE, "\"\""},
        {"<>", "<x>", 263, FALSE, TRUE, "<x>"},
        {"<>", "><", 263, FALSE, TRUE, "<><>"},
        // Text, two quotes and the terminator must fit the buffer.
        {"\"\"", "abcd", 7, FALSE, TRUE, "\"abcd\""},
        {"\"\"", "abcd", 6, FALSE, FALSE, "abcd"},
        {"\"\"", "abcd", 6, TRUE, FALSE, "abcd"},
        {"\"\"", "\"abcd\"", 6, FALSE, TRUE, "\"abcd\""},
    };
    for (const auto& c : cases)
    {
        char szText[263];
        lstrcpyA(szText, c.pszText);
        EXPECT_EQ(c.bExpected, SIMCAP::QuoteString(c.pszPair, szText, c.cchText, c.bForce))
            << c.pszPair << " " << c.pszText << " " << c.cchText;
        EXPECT_STREQ(c.pszExpected, szText) << c.pszPair << " " << c.pszText << " " << c.cchText;
    }
}

// Both archives are read back by check_zip.py: the recorder's own call, and the writer with Zip64 forced.
TEST(ZipWriterTest, WritesArchivesForTheIndependentReader)
{
    configtest::TempDir temp;
    std::string check = MakeFolder(temp, "archives", true);
    std::string source = MakeFolder(temp, "archives\\source", true);
    FillSessionFolder(source, true);
    std::string items = source + "\\*.*";
    std::string plain = check + "\\plain.zip";
    std::string zip64 = check + "\\zip64.zip";
    // An earlier, longer file at the path must be replaced, not overwritten in place.
    std::string earlier(4 * 1024 * 1024, 'J');
    ASSERT_TRUE(WriteBytes(plain, earlier));

    EXPECT_EQ(0, SIMCAP::ZipFolder(Quoted(plain).c_str(), Quoted(items).c_str()));
    EXPECT_EQ(ZIP_OK, ZipFolderItems(zip64.c_str(), items.c_str(), ZIP_FORCE_ZIP64));
    std::string bytes = ReadBytes(plain);
    EXPECT_EQ(std::string::npos, bytes.find(std::string(64, 'J')));
    EXPECT_LT(bytes.size(), earlier.size());
    // The plain archive needs no Zip64 records; the forced one marks its counts for the Zip64 end record.
    EXPECT_EQ(c_cFilesInSession, EndRecordEntries(bytes));
    EXPECT_EQ(0xFFFF, EndRecordEntries(ReadBytes(zip64)));
    // Nothing but the archives and their source beside them: no temporary file is left.
    EXPECT_EQ((std::vector<std::string>{"plain.zip", "source", "zip64.zip"}), ListNames(check));
    EXPECT_EQ(c_cFilesInSession + 1u, ListNames(source).size());
    SetFileAttributesA((source + "\\read only.bmp").c_str(), FILE_ATTRIBUTE_NORMAL); // lets the folder go
}

TEST(ZipWriterTest, LeavesNoArchiveWhenPackingFails)
{
    configtest::TempDir work;
    std::string session = MakeFolder(work, "session");
    FillSessionFolder(session, false);
    std::string empty = MakeFolder(work, "nothing");
    ASSERT_TRUE(CreateDirectoryA((empty + "\\only a folder").c_str(), nullptr));
    std::string out = MakeFolder(work, "out");
    std::string archive = out + "\\rec.qmr";
    // A file held open without sharing cannot be read while it is packed.
    HANDLE hLocked = CreateFileA((session + "\\capture.xml").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLocked);

    const struct
    {
        const char* pszName;
        std::string archive;
        std::string items;
        short nResult; // -1 as when no zip writer is there at all; 0 for any other failure
    } cases[] = {
        {"missing folder", archive, work.Path("no such folder\\*.*"), 0},
        {"nothing but a sub-folder", archive, empty + "\\*.*", 0},
        {"unwritable archive path", work.Path("no such folder\\rec.qmr"), session + "\\*.*", -1},
        {"unreadable file", archive, session + "\\*.*", 0},
    };
    for (const auto& c : cases)
    {
        short nResult = SIMCAP::ZipFolder(Quoted(c.archive).c_str(), Quoted(c.items).c_str());
        EXPECT_NE(0, nResult) << c.pszName;
        EXPECT_TRUE(!c.nResult || c.nResult == nResult) << c.pszName << " " << nResult;
        EXPECT_FALSE(Exists(c.archive)) << c.pszName;
        EXPECT_TRUE(ListNames(out).empty()) << c.pszName;
    }
    CloseHandle(hLocked);
    EXPECT_FALSE(Exists(work.Path("no such folder")));

    // Once the file can be read, an archive written into the very folder it packs replaces the earlier
    // file there and leaves itself and its temporary file out.
    archive = session + "\\rec.qmr";
    ASSERT_TRUE(WriteBytes(archive, "earlier recording"));
    EXPECT_EQ(0, SIMCAP::ZipFolder(Quoted(archive).c_str(), Quoted(session + "\\*.*").c_str()));
    EXPECT_EQ(c_cFilesInSession, EndRecordEntries(ReadBytes(archive)));
    EXPECT_EQ(c_cFilesInSession + 1u, ListNames(session).size());
}

// The writer thread's packaging step, with the "Saving Data" dialog standing in.
class PackageSessionTest : public ::testing::Test
{
  protected:
    void SetUp() override { recorder->nWrThreadStatus = TS_FINISHING; }
    BOOL Package() // on a thread of its own, as the writer does it
    {
        standIns.RegisterDialog();
        BOOL bResult = FALSE;
        EXPECT_TRUE(writertest::RunAsWriter([&] { bResult = recorder->PackageSession(); }));
        return bResult;
    }

    TestRecorder recorder;
    StandIns standIns;
    DiagCapture diag;
};

TEST_F(PackageSessionTest, FailureLeavesNoRecordingAndEndsTheDialogWithFailure)
{
    const struct
    {
        const char* pszName;
        int nSessionId;
        bool bEarlierRecordingStays; // no archive was attempted
    } cases[] = {{"no session id yet", -1, true}, {"session folder holds no file", 9, false}};
    for (const auto& c : cases)
    {
        standIns.commands.clear();
        diag.Clear();
        g_bErrorReported = FALSE;
        recorder->nWrThreadStatus = TS_FINISHING;
        recorder->nSessionId = c.nSessionId;
        std::string session = recorder.output + "\\SC_000" + std::to_string(c.nSessionId);
        if (c.nSessionId > 0) CreateDirectoryA(session.c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(recorder.recording, "an earlier recording"));

        EXPECT_FALSE(Package()) << c.pszName;
        EXPECT_EQ(c.bEarlierRecordingStays, Exists(recorder.recording)) << c.pszName;
        EXPECT_FALSE(Exists(session)) << c.pszName;
        // The error ends the dialog, so the result that follows finds none.
        EXPECT_EQ((std::vector<writertest::Command>{
                      ToDialog(3, true, "Packaging output data..."),
                      ToDialog(4, true, "ERROR: Unable to package output files.  Cleaning up...")}),
                  standIns.commands)
            << c.pszName;
        EXPECT_EQ(!c.bEarlierRecordingStays,
                  diag.HasLine("WrThread:PackageSession - call to ZipFolder returned error# = <1>.\n"))
            << c.pszName;
        EXPECT_TRUE(diag.HasLine("@@@@ PackageSession - sending packaging result as FALSE\n")) << c.pszName;
        EXPECT_EQ(TS_FAILED, recorder->nWrThreadStatus.load()) << c.pszName;
        DeleteFileA(recorder.recording.c_str());
    }
}
