// tests/output/ZipWriterTest.cpp — packing a folder, seen from outside: what lands at the archive path and
// what is left beside it. What is inside the archives is judged by an independent reader: with
// ZIP_CHECK_DIR set, the archives and their source folder stay there for tests/output/check_zip.py.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "output/WrThread.h"
#include "output/ZipWriter.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"

using configtest::Exists;
using configtest::ReadBytes;
using configtest::WriteBytes;

namespace
{
std::string Quoted(const std::string& text)
{
    return "\"" + text + "\"";
}

// Names in a folder, sorted, folders included.
std::vector<std::string> ListNames(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do
    {
        if (lstrcmpA(fd.cFileName, ".") && lstrcmpA(fd.cFileName, "..")) names.push_back(fd.cFileName);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

void DeleteTree(const std::string& folder)
{
    for (const std::string& name : ListNames(folder))
    {
        std::string path = folder + "\\" + name;
        DWORD dwAttributes = GetFileAttributesA(path.c_str());
        if (dwAttributes & FILE_ATTRIBUTE_DIRECTORY)
            DeleteTree(path);
        else
        {
            SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(path.c_str());
        }
    }
    RemoveDirectoryA(folder.c_str());
}

// A fresh folder, gone with everything in it when the test ends. A folder kept for the reader lies below
// ZIP_CHECK_DIR when that is set (and is emptied when the next run starts); otherwise every folder is a
// new one in the temporary folder.
class TestFolder
{
  public:
    explicit TestFolder(const char* pszName, bool bKeepForReader = false)
    {
        char szRoot[MAX_PATH];
        DWORD cch = GetEnvironmentVariableA("ZIP_CHECK_DIR", szRoot, sizeof(szRoot));
        bKeep = bKeepForReader && cch && cch < sizeof(szRoot);
        if (bKeep)
        {
            std::replace(szRoot, szRoot + cch, '/', '\\');
            CreateDirectoryA(szRoot, nullptr);
        }
        else
        {
            GetTempPathA(sizeof(szRoot), szRoot);
            static LONG s_nSerial;
            char szName[64];
            wsprintfA(szName, "ziptest_%lu_%ld\\", GetCurrentProcessId(), InterlockedIncrement(&s_nSerial));
            lstrcatA(szRoot, szName);
            CreateDirectoryA(szRoot, nullptr);
        }
        path = std::string(szRoot);
        if (path.back() != '\\') path += '\\';
        path += pszName;
        DeleteTree(path);
        CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TestFolder()
    {
        if (bKeep) return;
        DeleteTree(path);
        RemoveDirectoryA(path.substr(0, path.rfind('\\')).c_str());
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    std::string Sub(const std::string& name) const { return path + "\\" + name; }
    std::string MakeSub(const std::string& name) const
    {
        CreateDirectoryA(Sub(name).c_str(), nullptr);
        return Sub(name);
    }

    std::string path;

  private:
    bool bKeep = false;
};

// Text that deflate shrinks well: XML lines that differ only in their numbers.
std::string CompressibleText(size_t cb)
{
    std::string text;
    for (int i = 0; text.size() < cb; i++)
        text += "\t<Event Seq=\"" + std::to_string(i) + "\"><Text>step " + std::to_string(i % 97) +
                "</Text></Event>\n";
    text.resize(cb);
    return text;
}

// Every byte value in order, then bytes deflate cannot shrink (its output exceeds its input there).
std::string BinaryBytes()
{
    std::string bytes;
    for (int n = 0; n < 64; n++)
        for (int b = 0; b < 256; b++)
            bytes += static_cast<char>(b);
    DWORD dwSeed = 12345;
    for (int i = 0; i < 256 * 1024; i++)
    {
        dwSeed = dwSeed * 1103515245 + 12345;
        bytes += static_cast<char>(dwSeed >> 23);
    }
    return bytes;
}

// A folder as a session leaves it: the files to pack and a sub-folder that must stay out.
void FillSessionFolder(const std::string& folder)
{
    ASSERT_TRUE(WriteBytes(folder + "\\empty.dat", ""));
    ASSERT_TRUE(WriteBytes(folder + "\\all bytes.bin", BinaryBytes()));
    ASSERT_TRUE(WriteBytes(folder + "\\capture.xml", CompressibleText(3 * 1024 * 1024)));
    ASSERT_TRUE(WriteBytes(folder + "\\name with spaces.txt", "spaces\r\n"));
    ASSERT_TRUE(WriteBytes(folder + "\\caf\xE9.txt", "accent\r\n"));
    ASSERT_TRUE(WriteBytes(folder + "\\read only.bmp", std::string(1000, '\x7F')));
    ASSERT_TRUE(SetFileAttributesA((folder + "\\read only.bmp").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteBytes(folder + "\\sub\\inner.txt", "must not be packed"));
}
const int c_cFilesInSession = 6;

// The entry count of the end record, when the archive ends with one (no comment); -1 otherwise.
int EndRecordEntries(const std::string& bytes)
{
    if (bytes.size() < 22) return -1;
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(bytes.data() + bytes.size() - 22);
    if (pb[0] != 'P' || pb[1] != 'K' || pb[2] != 5 || pb[3] != 6) return -1;
    return pb[10] | (pb[11] << 8);
}

bool StartsWithLocalHeader(const std::string& bytes)
{
    return bytes.compare(0, 4, std::string("PK\x03\x04", 4)) == 0;
}
} // namespace

struct QuoteCase
{
    const char* pszPair;
    const char* pszText;
    UINT cchText;
    BOOL bForce;
    BOOL bExpected;
    const char* pszExpected;
};

TEST(QuoteStringTest, QuotesUnlessAlreadyQuotedOrTooLong)
{
    const QuoteCase cases[] = {
        {"\"\"", "C:\\My Files\\rec.qmr", 263, FALSE, TRUE, "\"C:\\My Files\\rec.qmr\""},
        {"\"\"", "\"C:\\rec.qmr\"", 263, FALSE, TRUE, "\"C:\\rec.qmr\""},
        {"\"\"", "\"C:\\rec.qmr\"", 263, TRUE, TRUE, "\"\"C:\\rec.qmr\"\""},
        {"\"\"", "\"C:\\rec.qmr", 263, FALSE, TRUE, "\"\"C:\\rec.qmr\""},
        {"\"\"", "C:\\rec.qmr\"", 263, FALSE, TRUE, "\"C:\\rec.qmr\"\""},
        {"\"\"", "\"", 263, FALSE, TRUE, "\"\"\""},
        {"\"\"", "", 263, FALSE, TRUE, "\"\""},
        {"<>", "<x>", 263, FALSE, TRUE, "<x>"},
        {"<>", "\"x\"", 263, FALSE, TRUE, "<\"x\">"},
        {"<>", "><", 263, FALSE, TRUE, "<><>"},
        // Text, two quotes and the terminator must fit the buffer.
        {"\"\"", "abcd", 7, FALSE, TRUE, "\"abcd\""},
        {"\"\"", "abcd", 6, FALSE, FALSE, "abcd"},
        {"\"\"", "abcd", 6, TRUE, FALSE, "abcd"},
        {"\"\"", "\"abcd\"", 6, FALSE, TRUE, "\"abcd\""},
    };
    for (const QuoteCase& c : cases)
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
    TestFolder check("archives", true);
    std::string source = check.MakeSub("source");
    FillSessionFolder(source);
    std::string items = source + "\\*.*";
    std::string plain = check.Sub("plain.zip");
    std::string zip64 = check.Sub("zip64.zip");
    // An earlier, longer file at the path must be replaced, not overwritten in place.
    std::string earlier(4 * 1024 * 1024, 'J');
    ASSERT_TRUE(WriteBytes(plain, earlier));

    EXPECT_EQ(0, SIMCAP::ZipFolder(Quoted(plain).c_str(), Quoted(items).c_str()));
    EXPECT_EQ(ZIP_OK, ZipFolderItems(zip64.c_str(), items.c_str(), ZIP_FORCE_ZIP64));

    for (const std::string& archive : {plain, zip64})
    {
        std::string bytes = ReadBytes(archive);
        EXPECT_TRUE(StartsWithLocalHeader(bytes)) << archive;
        EXPECT_EQ(std::string::npos, bytes.find(std::string(64, 'J'))) << archive;
        EXPECT_LT(bytes.size(), earlier.size()) << archive;
    }
    // The plain archive needs no Zip64 records; the forced one marks its counts for the Zip64 end record.
    EXPECT_EQ(c_cFilesInSession, EndRecordEntries(ReadBytes(plain)));
    EXPECT_EQ(0xFFFF, EndRecordEntries(ReadBytes(zip64)));
    // Nothing but the archives and their source beside them: no temporary file is left.
    EXPECT_EQ((std::vector<std::string>{"plain.zip", "source", "zip64.zip"}), ListNames(check.path));
    EXPECT_EQ(c_cFilesInSession + 1u, ListNames(source).size());
}

TEST(ZipWriterTest, LeavesNoArchiveWhenPackingFails)
{
    TestFolder work("failures");
    std::string session = work.MakeSub("session");
    FillSessionFolder(session);
    std::string empty = work.MakeSub("nothing");
    ASSERT_TRUE(CreateDirectoryA((empty + "\\only a folder").c_str(), nullptr));
    std::string out = work.MakeSub("out");
    std::string archive = out + "\\rec.qmr";

    // A file held open without sharing cannot be read while it is packed.
    HANDLE hLocked = CreateFileA((session + "\\capture.xml").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLocked);

    struct FailCase
    {
        const char* pszName;
        std::string archive;
        std::string items;
        bool bCannotCreate; // as when no zip writer is there at all
    };
    const FailCase cases[] = {
        {"missing folder", archive, work.Sub("no such folder\\*.*"), false},
        {"nothing but a sub-folder", archive, empty + "\\*.*", false},
        {"archive folder missing", work.Sub("no such folder\\rec.qmr"), session + "\\*.*", true},
        {"unreadable file", archive, session + "\\*.*", false},
    };
    for (const FailCase& c : cases)
    {
        short nResult = SIMCAP::ZipFolder(Quoted(c.archive).c_str(), Quoted(c.items).c_str());
        EXPECT_NE(0, nResult) << c.pszName;
        if (c.bCannotCreate)
        {
            EXPECT_EQ(-1, nResult) << c.pszName;
        }
        EXPECT_FALSE(Exists(c.archive)) << c.pszName;
        EXPECT_TRUE(ListNames(out).empty()) << c.pszName;
    }
    CloseHandle(hLocked);
    EXPECT_FALSE(Exists(work.Sub("no such folder")));
    EXPECT_EQ(0, SIMCAP::ZipFolder(Quoted(archive).c_str(), Quoted(session + "\\*.*").c_str()));
    EXPECT_EQ((std::vector<std::string>{"rec.qmr"}), ListNames(out));
}

// An archive written into the very folder it packs leaves itself and its temporary file out.
TEST(ZipWriterTest, ArchiveInsideThePackedFolderLeavesItselfOut)
{
    TestFolder work("inside");
    std::string session = work.MakeSub("session");
    FillSessionFolder(session);
    std::string archive = session + "\\rec.qmr";
    ASSERT_TRUE(WriteBytes(archive, "earlier recording"));

    EXPECT_EQ(0, SIMCAP::ZipFolder(Quoted(archive).c_str(), Quoted(session + "\\*.*").c_str()));
    std::string bytes = ReadBytes(archive);
    EXPECT_TRUE(StartsWithLocalHeader(bytes));
    EXPECT_EQ(c_cFilesInSession, EndRecordEntries(bytes));
    EXPECT_EQ(c_cFilesInSession + 2u, ListNames(session).size());
}

namespace
{
// What the "Saving Data" dialog was told: the action code and, for texts, the text it fetched.
struct DialogCommand
{
    LPARAM lParam;
    std::string text;
    bool operator==(const DialogCommand& other) const { return lParam == other.lParam && text == other.text; }
};
std::vector<DialogCommand>* g_pDialogCommands;

LRESULT CALLBACK SavingDataStandInProc(HWND hwnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_COMMAND && LOWORD(wParam) == 2202 && g_pDialogCommands)
    {
        char szText[520] = "";
        if (lParam == 3 || lParam == 4) g_pSimCap->GetBkgndMsg(hwnd, szText, sizeof(szText));
        g_pDialogCommands->push_back({lParam, szText});
        return 0;
    }
    return DefWindowProcA(hwnd, uMsg, wParam, lParam);
}

std::ostream& operator<<(std::ostream& os, const DialogCommand& command)
{
    return os << "{" << command.lParam << ", \"" << command.text << "\"}";
}
} // namespace

// The writer thread's packaging step on a recorder whose output path lies in a temporary folder, with a
// window standing in for the "Saving Data" dialog.
class PackageSessionTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        InitializeCriticalSection(&simcap.csBkgndMsg);
        simcap.pPrivProf = new PrivProf(&simcap, GetModuleHandleA(nullptr), nullptr);
        ASSERT_TRUE(simcap.pPrivProf->SetUserConfigPath(ini.c_str()));
        ASSERT_TRUE(WriteBytes(ini, "[Settings]\r\nOutputPath=" + recording + "\r\n"));
        g_pSimCap = &simcap;
        simcap.nWrThreadStatus = TS_FINISHING;
        g_bErrorReported = FALSE;

        WNDCLASSA wc = {};
        wc.lpfnWndProc = SavingDataStandInProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "ZipTestSavingData";
        RegisterClassA(&wc);
        hwndDialog = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr);
        ASSERT_NE(nullptr, hwndDialog);
        simcap.SetBkgndMsgTarget(hwndDialog, TRUE);
        g_pDialogCommands = &commands;
    }
    void TearDown() override
    {
        g_pDialogCommands = nullptr;
        simcap.SetBkgndMsgTarget(hwndDialog, FALSE);
        DestroyWindow(hwndDialog);
        UnregisterClassA("ZipTestSavingData", GetModuleHandleA(nullptr));
        g_pSimCap = nullptr;
        DeleteCriticalSection(&simcap.csBkgndMsg);
        g_bErrorReported = FALSE;
    }

    // Packages, then lets the posted commands arrive.
    BOOL Package()
    {
        BOOL bResult = simcap.PackageSession();
        MSG msg;
        while (PeekMessageA(&msg, hwndDialog, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
        return bResult;
    }

    TestFolder work{"package"};
    std::string ini = work.MakeSub("config") + "\\user.ini";
    std::string output = work.MakeSub("output");
    std::string recording = output + "\\rec.qmr";
    SIMCAP simcap;
    HWND hwndDialog = nullptr;
    std::vector<DialogCommand> commands;
    DiagCapture diag;
};

TEST_F(PackageSessionTest, ReplacesTheRecordingAndRemovesTheSessionFolder)
{
    simcap.nSessionId = 7;
    std::string session = output + "\\SC_0007";
    ASSERT_TRUE(CreateDirectoryA(session.c_str(), nullptr));
    FillSessionFolder(session);
    // What a session leaves: no sub-folder, nothing read-only.
    DeleteFileA((session + "\\sub\\inner.txt").c_str());
    RemoveDirectoryA((session + "\\sub").c_str());
    SetFileAttributesA((session + "\\read only.bmp").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(WriteBytes(recording, "an earlier recording"));

    EXPECT_TRUE(Package());
    std::string bytes = ReadBytes(recording);
    EXPECT_TRUE(StartsWithLocalHeader(bytes));
    EXPECT_EQ(c_cFilesInSession, EndRecordEntries(bytes));
    EXPECT_EQ((std::vector<std::string>{"rec.qmr"}), ListNames(output));
    EXPECT_EQ((std::vector<DialogCommand>{{3, "Packaging output data..."}, {1, ""}}), commands);
    EXPECT_TRUE(diag.HasLine("@@@@ PackageSession - sending packaging result as TRUE\n"));
}

TEST_F(PackageSessionTest, FailureLeavesNoRecordingAndEndsTheDialogWithFailure)
{
    struct FailCase
    {
        const char* pszName;
        int nSessionId;
        bool bSessionFolder;
        bool bEarlierRecordingStays; // no archive was attempted
        const char* pszDebugLine;
    };
    const FailCase cases[] = {
        {"no session id yet", -1, false, true, "@@@@ PackageSession - sending packaging result as FALSE\n"},
        {"session folder missing", 8, false, false,
         "WrThread:PackageSession - call to ZipFolder returned error# = <1>.\n"},
        {"session folder holds no file", 9, true, false,
         "WrThread:PackageSession - call to ZipFolder returned error# = <1>.\n"},
    };
    for (const FailCase& c : cases)
    {
        commands.clear();
        diag.Clear();
        g_bErrorReported = FALSE;
        simcap.nWrThreadStatus = TS_FINISHING;
        simcap.nSessionId = c.nSessionId;
        char szSession[32];
        wsprintfA(szSession, "\\SC_%04d", c.nSessionId);
        if (c.bSessionFolder) CreateDirectoryA((output + szSession).c_str(), nullptr);
        ASSERT_TRUE(WriteBytes(recording, "an earlier recording"));

        EXPECT_FALSE(Package()) << c.pszName;
        EXPECT_EQ(c.bEarlierRecordingStays, Exists(recording)) << c.pszName;
        EXPECT_FALSE(Exists(output + szSession)) << c.pszName;
        EXPECT_EQ((std::vector<DialogCommand>{{3, "Packaging output data..."},
                                              {4, "ERROR: Unable to package output files.  Cleaning up..."},
                                              {2, ""}}),
                  commands)
            << c.pszName;
        EXPECT_TRUE(diag.HasLine(c.pszDebugLine)) << c.pszName;
        EXPECT_EQ(TS_FAILED, simcap.nWrThreadStatus.load()) << c.pszName;
        DeleteFileA(recording.c_str());
    }
}
