// tests/output/SessionFolderTest.cpp — where a recording's files go, seen on disk: the session folder's
// number and name, the capture file's name, and what the deletions take and leave.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/SimCap.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"

using configtest::Exists;
using configtest::WriteBytes;
using writertest::StandIns;
using writertest::TestRecorder;

namespace
{
// Names in a folder, sorted, folders included.
std::vector<std::string> Names(const std::string& folder)
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

class SessionFolderTest : public ::testing::Test
{
  protected:
    std::string SessionFolder()
    {
        char sz[MAX_PATH + 1];
        recorder->GetSessionFolder(sz, sizeof(sz));
        return sz;
    }
    std::string CaptureFileBase()
    {
        char sz[MAX_PATH + 1];
        recorder->GetCaptureFileBase(sz, sizeof(sz));
        return sz;
    }
    void MakeFolders(const std::string& folder, const std::vector<std::string>& names)
    {
        for (const std::string& name : names)
            ASSERT_TRUE(CreateDirectoryA((folder + "\\" + name).c_str(), nullptr)) << name;
    }

    TestRecorder recorder;
    DiagCapture diag;
};
} // namespace

TEST_F(SessionFolderTest, TheFirstIdOfARunIsOneAboveTheHighestWellFormedFolder)
{
    const struct
    {
        const char* pszName;
        std::vector<std::string> folders;
        std::vector<std::string> files;
        const char* pszSession;
    } cases[] = {
        {"no session folder yet", {}, {}, "SC_0001"},
        {"the highest folder counts", {"SC_0007", "SC_0012"}, {}, "SC_0013"},
        {"wrong digit count sorts last and is passed over", {"SC_0007", "SC_0012", "SC_12"}, {}, "SC_0013"},
        {"a non-digit makes a name malformed", {"SC_0003", "SC_00x1"}, {}, "SC_0004"},
        {"five digits are not the expected form", {"SC_0004", "SC_10000"}, {}, "SC_0005"},
        {"0000 counts as no id", {"SC_0000"}, {}, "SC_0001"},
        {"the name is matched without regard to case", {"sc_0009"}, {}, "SC_0010"},
        {"only folders count", {"SC_0002"}, {"SC_0050"}, "SC_0003"},
        {"ids go beyond four digits", {"SC_9999"}, {}, "SC_10000"},
    };
    for (const auto& c : cases)
    {
        TestRecorder fresh;
        MakeFolders(fresh.output, c.folders);
        for (const std::string& file : c.files)
            WriteBytes(fresh.output + "\\" + file, "x");
        ASSERT_TRUE(fresh->IncrementSessionID()) << c.pszName;
        char sz[MAX_PATH + 1];
        fresh->GetSessionFolder(sz, sizeof(sz));
        EXPECT_EQ(fresh.output + "\\" + c.pszSession, sz) << c.pszName;
    }

    // Later recordings of the run count on without looking at the disk.
    MakeFolders(recorder.output, {"SC_0004"});
    ASSERT_TRUE(recorder->IncrementSessionID());
    MakeFolders(recorder.output, {"SC_0040"});
    ASSERT_TRUE(recorder->IncrementSessionID());
    EXPECT_EQ(recorder.output + "\\SC_0006", SessionFolder());
}

TEST_F(SessionFolderTest, TheCaptureFileTakesTheRecordingNameInsideTheSessionFolder)
{
    const struct
    {
        const char* pszFolder; // below the temporary folder
        const char* pszRecording;
        int nSessionId;
        const char* pszSession;
        const char* pszCapture;
    } cases[] = {
        {"out", "rec.qmr", 1, "SC_0001", "rec.xml"},
        {"my.records", "rec.qmr", 2, "SC_0002", "rec.xml"},
        {"my.records", "rec", 3, "SC_0003", "rec.xml"},
        {"v1.2", "take.two.qmr", 4, "SC_0004", "take.two.xml"},
        {"out", ".qmr", 5, "SC_0005", ".xml"},
        {"out", "rec.qmr", 12345, "SC_12345", "rec.xml"},
    };
    for (const auto& c : cases)
    {
        std::string folder = recorder.dir.Path(c.pszFolder);
        CreateDirectoryA(folder.c_str(), nullptr);
        recorder.SetRecording(folder + "\\" + c.pszRecording);
        recorder->nSessionId = c.nSessionId;
        std::string session = folder + "\\" + c.pszSession;
        ASSERT_TRUE(recorder->CreateSessionFolder()) << c.pszRecording;
        EXPECT_TRUE(recorder->CreateSessionFolder()) << "an existing folder will do";
        EXPECT_TRUE(Exists(session)) << c.pszRecording;
        EXPECT_EQ(session + "\\" + c.pszRecording, CaptureFileBase());

        char szPath[MAX_PATH + 1];
        EXPECT_NE(HFILE_ERROR, recorder->OpenCaptureFile(szPath, sizeof(szPath), TRUE)) << c.pszRecording;
        EXPECT_EQ(session + "\\" + c.pszCapture, szPath);
        recorder->CloseCaptureFile(4);
        EXPECT_EQ(HFILE_ERROR, recorder->hCaptureFile);
        EXPECT_EQ(std::vector<std::string>{c.pszCapture}, Names(session)) << c.pszRecording;
    }
}

TEST_F(SessionFolderTest, NamesThatDoNotFitTheirBufferAreRefusedWhole)
{
    recorder->nSessionId = 1;
    std::string session = recorder.output + "\\SC_0001";
    const UINT cchOutput = static_cast<UINT>(recorder.output.size());
    // The session folder needs room for "\SC_", four digits and two more characters.
    const struct
    {
        UINT cch;
        bool bFits;
    } folderCases[] = {{cchOutput + 9, true}, {cchOutput + 8, false}, {1, false}};
    for (const auto& c : folderCases)
    {
        char sz[MAX_PATH + 1] = "untouched";
        int cch = recorder->GetSessionFolder(sz, c.cch);
        EXPECT_EQ(c.bFits ? session : "", std::string(sz)) << c.cch;
        EXPECT_EQ(c.bFits ? static_cast<int>(session.size()) : 0, cch) << c.cch;
    }

    // Capture file: the base (folder, backslash, name) must stay two below the buffer, the ".xml" path
    // one below it.
    const struct
    {
        const char* pszRecording;
        const char* pszCapture;
        UINT cchSlack; // buffer size minus the length of the capture path
        bool bOpens;
    } fileCases[] = {
        {"rec.qmr", "rec.xml", 2, true}, {"rec.qmr", "rec.xml", 1, false}, {"rec", "rec.xml", 1, true},
        {"rec", "rec.xml", 0, false},    {"rec.q", "rec.xml", 1, true},    {"rec.q", "rec.xml", 0, false},
        {"a.b.qmr", "a.b.xml", 2, true}, {"a.b.qmr", "a.b.xml", 1, false},
    };
    ASSERT_TRUE(recorder->CreateSessionFolder());
    for (const auto& c : fileCases)
    {
        recorder.SetRecording(recorder.output + "\\" + c.pszRecording);
        std::string capture = session + "\\" + c.pszCapture;
        char sz[MAX_PATH + 1] = "untouched";
        HFILE hFile = recorder->OpenCaptureFile(sz, static_cast<UINT>(capture.size()) + c.cchSlack, TRUE);
        EXPECT_EQ(c.bOpens, hFile != HFILE_ERROR) << c.pszRecording << " " << c.cchSlack;
        EXPECT_EQ(c.bOpens ? capture : "", std::string(sz)) << c.pszRecording << " " << c.cchSlack;
        recorder->CloseCaptureFile(4);
        EXPECT_EQ(c.bOpens, Exists(capture)) << c.pszRecording << " " << c.cchSlack;
        DeleteFileA(capture.c_str());
    }
}

TEST_F(SessionFolderTest, WithoutASessionIdOrRecordingNothingIsMadeOrDeleted)
{
    WriteBytes(recorder.output + "\\keep.txt", "keep");
    EXPECT_EQ("", SessionFolder()) << "no id yet";
    EXPECT_FALSE(recorder->RemoveWorkDir(FALSE));
    EXPECT_FALSE(SIMCAP::DeleteDirAndContents("", "\\*.*", FALSE));
    EXPECT_TRUE(Exists(recorder.output + "\\keep.txt"));
    recorder.SetRecording("");
    EXPECT_FALSE(recorder->IncrementSessionID());
    recorder->nSessionId = 3;
    EXPECT_EQ("", SessionFolder()) << "no recording file";
}

TEST_F(SessionFolderTest, AFolderThatCannotBeMadeIsReportedAsAnErrorBox)
{
    StandIns standIns;
    recorder.SetRecording(recorder.dir.Path("missing\\deeper\\rec.qmr"));
    recorder->nSessionId = 1;
    EXPECT_FALSE(recorder->CreateSessionFolder());
    EXPECT_FALSE(Exists(recorder.dir.Path("missing")));
    ASSERT_EQ(1u, diag.Boxes().size());
    EXPECT_EQ("Could not create directory for session data.", diag.Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONERROR | MB_TOPMOST), diag.Boxes()[0].uFlags);
    EXPECT_EQ(standIns.hwndRecorder, diag.Boxes()[0].hwndOwner);
}

TEST_F(SessionFolderTest, DeletionTakesOnlyThePatternsFilesAndNeverEntersSubFolders)
{
    const struct
    {
        const char* pszName;
        const char* pszPattern;
        BOOL bRemoveFolder;
        bool bSubFolder;
        BOOL bResult;
        std::vector<std::string> left; // in the folder afterwards; empty and gone when removed
        bool bFolderStays;
    } cases[] = {
        {"a pattern, folder kept", "\\*.txt", FALSE, false, TRUE, {"c.bmp"}, true},
        {"everything, folder removed", "\\*.*", TRUE, false, TRUE, {}, false},
        {"a sub-folder keeps its files and the folder", "\\*.*", TRUE, true, FALSE, {"sub"}, true},
        {"nothing matches", "\\*.wav", TRUE, false, FALSE, {"a.txt", "b.txt", "c.bmp", "hidden.txt"}, true},
    };
    for (const auto& c : cases)
    {
        std::string folder = recorder.dir.Path("victim");
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const char* pszFile : {"a.txt", "b.txt", "c.bmp", "hidden.txt"})
            WriteBytes(folder + "\\" + pszFile, pszFile);
        SetFileAttributesA((folder + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (c.bSubFolder)
        {
            CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
            WriteBytes(folder + "\\sub\\inner.txt", "inner");
        }

        EXPECT_EQ(c.bResult, SIMCAP::DeleteDirAndContents(folder.c_str(), c.pszPattern, c.bRemoveFolder))
            << c.pszName;
        EXPECT_EQ(c.bFolderStays, Exists(folder)) << c.pszName;
        EXPECT_EQ(c.left, Names(folder)) << c.pszName;
        std::vector<std::string> inner;
        if (c.bSubFolder) inner.push_back("inner.txt");
        EXPECT_EQ(inner, Names(folder + "\\sub")) << c.pszName;
        configtest::RemoveTree(folder);
    }
}

TEST_F(SessionFolderTest, RemovingTheWorkFolderReportsAFailureOnlyWhenAsked)
{
    StandIns standIns;
    recorder->nSessionId = 2;
    std::string session = recorder.output + "\\SC_0002";
    CreateDirectoryA(session.c_str(), nullptr);
    CreateDirectoryA((session + "\\sub").c_str(), nullptr);
    WriteBytes(session + "\\rec.xml", "<SimCap/>");

    EXPECT_FALSE(recorder->RemoveWorkDir(FALSE));
    EXPECT_TRUE(diag.Boxes().empty());
    EXPECT_EQ(std::vector<std::string>{"sub"}, Names(session));

    EXPECT_FALSE(recorder->RemoveWorkDir(TRUE));
    std::string text = "Unable to delete directory <" + session + ">.";
    ASSERT_EQ(1u, diag.Boxes().size());
    EXPECT_EQ(text, diag.Boxes()[0].text);
    EXPECT_NE(std::string::npos, diag.Joined().find("RemoveWorkDir: " + text + "\n"));

    RemoveDirectoryA((session + "\\sub").c_str());
    EXPECT_TRUE(recorder->RemoveWorkDir(TRUE));
    EXPECT_FALSE(Exists(session));
    EXPECT_EQ(std::vector<std::string>{}, Names(recorder.output));
}

TEST_F(SessionFolderTest, TheTagMapsTemporaryFilesGoAndOtherProgramsFilesStay)
{
    char szTemp[MAX_PATH + 1];
    GetTempPathA(sizeof(szTemp), szTemp);
    char szUnique[32];
    wsprintfA(szUnique, "tmp%04lX.tmp", GetCurrentProcessId() & 0xFFFF);
    const std::vector<std::string> ours = {
        std::string(szUnique) + "_CFtagMap_00.tmf", std::string(szUnique) + "_CFtagMapEv_00.tmf",
        std::string(szUnique) + "_CFtagMapMod_07.tmf",
        "_CFtagMap_00.tmf", // when no unique prefix could be made
    };
    const std::vector<std::string> foreign = {
        std::string(szUnique) + "_other.tmf",
        std::string(szUnique) + "_CFtagMap_00.tmf.bak",
        "report.tmf",
    };
    for (BOOL bKeep : {TRUE, FALSE})
    {
        for (const auto* pNames : {&ours, &foreign})
            for (const std::string& name : *pNames)
                WriteBytes(szTemp + name, name);
        recorder->bKeepTempOutputFiles = bKeep;
        SIMCAP::DeleteTempTmfFiles();
        for (const std::string& name : ours)
            EXPECT_EQ(bKeep != FALSE, Exists(szTemp + name)) << name << " keep=" << bKeep;
        for (const std::string& name : foreign)
            EXPECT_TRUE(Exists(szTemp + name)) << name << " keep=" << bKeep;
    }
    for (const auto* pNames : {&ours, &foreign})
        for (const std::string& name : *pNames)
            DeleteFileA((szTemp + name).c_str());
}
