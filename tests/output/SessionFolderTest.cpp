// tests/output/SessionFolderTest.cpp — where a recording's files go, seen on disk: the session folder's
// number and name, the capture file's name, and what the deletions take and leave.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/SimCap.h"
#include "tests/output/WriterTestSupport.h"
#include "tests/support/DiagCapture.h"

using configtest::Exists;
using configtest::WriteBytes;
using writertest::ListNames;
using writertest::StandIns;
using writertest::TestRecorder;

namespace
{
std::string SessionFolder(const TestRecorder& recorder)
{
    char sz[MAX_PATH + 1];
    recorder->GetSessionFolder(sz, sizeof(sz));
    return sz;
}

void MakeFolders(const std::string& folder, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        ASSERT_TRUE(CreateDirectoryA((folder + "\\" + name).c_str(), nullptr)) << name;
}

class SessionFolderTest : public ::testing::Test
{
  protected:
    TestRecorder recorder;
    DiagCapture diag;
};
} // namespace

TEST_F(SessionFolderTest, TheFirstIdOfARunIsOneAboveTheHighestWellFormedFolder)
{
    const struct
    {
        std::vector<std::string> folders;
        const char* pszSession;
    } cases[] = {
        {{}, "SC_0001"},
        {{"SC_0007", "SC_0012"}, "SC_0013"},
        {{"SC_0007", "SC_0012", "SC_12"}, "SC_0013"}, // wrong digit count sorts last and is passed over
        {{"SC_0003", "SC_00x1"}, "SC_0004"},
        {{"SC_0004", "SC_10000"}, "SC_0005"},
        {{"SC_0000"}, "SC_0001"},
        {{"sc_0009"}, "SC_0010"}, // matched without regard to case
        {{"SC_9999"}, "SC_10000"},
    };
    for (const auto& c : cases)
    {
        TestRecorder fresh;
        MakeFolders(fresh.output, c.folders);
        WriteBytes(fresh.output + "\\SC_0050", "only folders count");
        ASSERT_TRUE(fresh->IncrementSessionID()) << c.pszSession;
        EXPECT_EQ(fresh.output + "\\" + c.pszSession, SessionFolder(fresh));
    }
}

TEST_F(SessionFolderTest, TheCaptureFileTakesTheRecordingNameInsideTheSessionFolder)
{
    const struct
    {
        const char* pszFolder; // below the temporary folder
        const char* pszRecording;
        const char* pszCapture;
    } cases[] = {
        {"out", "rec.qmr", "rec.xml"},
        {"my.records", "rec", "rec.xml"},
        {"v1.2", "take.two.qmr", "take.two.xml"},
    };
    for (const auto& c : cases)
    {
        std::string folder = recorder.dir.Path(c.pszFolder);
        CreateDirectoryA(folder.c_str(), nullptr);
        recorder.SetRecording(folder + "\\" + c.pszRecording);
        recorder->nSessionId = 1;
        std::string session = folder + "\\SC_0001";
        ASSERT_TRUE(recorder->CreateSessionFolder()) << c.pszRecording;
        EXPECT_TRUE(recorder->CreateSessionFolder()) << "an existing folder will do";
        char szPath[MAX_PATH + 1];
        recorder->GetCaptureFileBase(szPath, sizeof(szPath));
        EXPECT_EQ(session + "\\" + c.pszRecording, szPath);
        EXPECT_NE(HFILE_ERROR, recorder->OpenCaptureFile(szPath, sizeof(szPath), TRUE)) << c.pszRecording;
        EXPECT_EQ(session + "\\" + c.pszCapture, szPath);
        recorder->CloseCaptureFile(4);
        EXPECT_EQ(std::vector<std::string>{c.pszCapture}, ListNames(session)) << c.pszRecording;
    }
}

TEST_F(SessionFolderTest, NamesThatDoNotFitTheirBufferAreRefusedWhole)
{
    recorder->nSessionId = 1;
    std::string session = recorder.output + "\\SC_0001";
    // The session folder needs room for "\SC_", four digits and two more characters.
    for (UINT cchExtra : {9u, 8u})
    {
        char sz[MAX_PATH + 1] = "untouched";
        int cch = recorder->GetSessionFolder(sz, static_cast<UINT>(recorder.output.size()) + cchExtra);
        EXPECT_EQ(cchExtra == 9 ? session : "", std::string(sz)) << cchExtra;
        EXPECT_EQ(cchExtra == 9 ? static_cast<int>(session.size()) : 0, cch) << cchExtra;
    }
    // The capture file's path (".xml" replacing the extension) must stay one below the buffer.
    ASSERT_TRUE(recorder->CreateSessionFolder());
    std::string capture = session + "\\rec.xml";
    for (UINT cchSlack : {2u, 1u})
    {
        char sz[MAX_PATH + 1] = "untouched";
        HFILE hFile = recorder->OpenCaptureFile(sz, static_cast<UINT>(capture.size()) + cchSlack, TRUE);
        recorder->CloseCaptureFile(4);
        EXPECT_EQ(cchSlack == 2 ? capture : "", std::string(sz)) << cchSlack;
        EXPECT_EQ(cchSlack == 2, hFile != HFILE_ERROR && Exists(capture)) << cchSlack;
        DeleteFileA(capture.c_str());
    }
}

TEST_F(SessionFolderTest, WithoutASessionIdOrRecordingNothingIsMadeOrDeleted)
{
    WriteBytes(recorder.output + "\\keep.txt", "keep");
    EXPECT_EQ("", SessionFolder(recorder)) << "no id yet";
    EXPECT_FALSE(recorder->RemoveWorkDir(FALSE));
    EXPECT_FALSE(SIMCAP::DeleteDirAndContents("", "\\*.*", FALSE));
    EXPECT_TRUE(Exists(recorder.output + "\\keep.txt"));
    recorder.SetRecording("");
    EXPECT_FALSE(recorder->IncrementSessionID());
}

TEST_F(SessionFolderTest, DeletionTakesOnlyThePatternsFilesAndNeverEntersSubFolders)
{
    const struct
    {
        const char* pszPattern;
        BOOL bRemoveFolder;
        bool bSubFolder;
        BOOL bResult;
        std::vector<std::string> left; // in the folder afterwards; empty and gone when removed
    } cases[] = {
        {"\\*.txt", FALSE, false, TRUE, {"c.bmp"}},
        {"\\*.*", TRUE, false, TRUE, {}},
        {"\\*.*", TRUE, true, FALSE, {"sub"}},
        {"\\*.wav", TRUE, false, FALSE, {"a.txt", "b.txt", "c.bmp", "hidden.txt"}},
    };
    std::string folder = recorder.dir.Path("victim");
    for (const auto& c : cases)
    {
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const char* pszFile : {"a.txt", "b.txt", "c.bmp", "hidden.txt"})
            WriteBytes(folder + "\\" + pszFile, pszFile);
        SetFileAttributesA((folder + "\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
        if (c.bSubFolder) CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
        if (c.bSubFolder) WriteBytes(folder + "\\sub\\inner.txt", "inner");

        EXPECT_EQ(c.bResult, SIMCAP::DeleteDirAndContents(folder.c_str(), c.pszPattern, c.bRemoveFolder))
            << c.pszPattern << c.bSubFolder;
        EXPECT_EQ(!c.left.empty() || !c.bRemoveFolder, Exists(folder)) << c.pszPattern << c.bSubFolder;
        EXPECT_EQ(c.left, ListNames(folder)) << c.pszPattern << c.bSubFolder;
        EXPECT_EQ(c.bSubFolder, Exists(folder + "\\sub\\inner.txt"));
        configtest::RemoveTree(folder);
    }
}

TEST_F(SessionFolderTest, RemovingTheWorkFolderReportsAFailureOnlyWhenAsked)
{
    StandIns standIns;
    recorder->nSessionId = 2;
    std::string session = recorder.output + "\\SC_0002";
    MakeFolders(recorder.output, {"SC_0002", "SC_0002\\sub"});
    WriteBytes(session + "\\rec.xml", "<SimCap/>");

    EXPECT_FALSE(recorder->RemoveWorkDir(FALSE));
    EXPECT_TRUE(diag.Boxes().empty());
    EXPECT_EQ(std::vector<std::string>{"sub"}, ListNames(session));

    EXPECT_FALSE(recorder->RemoveWorkDir(TRUE));
    std::string text = "Unable to delete directory <" + session + ">.";
    ASSERT_EQ(1u, diag.Boxes().size());
    EXPECT_EQ(text, diag.Boxes()[0].text);
    EXPECT_NE(std::string::npos, diag.Joined().find("RemoveWorkDir: " + text + "\n"));

    RemoveDirectoryA((session + "\\sub").c_str());
    EXPECT_TRUE(recorder->RemoveWorkDir(TRUE));
    EXPECT_EQ(std::vector<std::string>{}, ListNames(recorder.output));
}

TEST_F(SessionFolderTest, TheTagMapsTemporaryFilesGoAndOtherProgramsFilesStay)
{
    char szTemp[MAX_PATH + 1];
    GetTempPathA(sizeof(szTemp), szTemp);
    char szUnique[32];
    wsprintfA(szUnique, "%stmp%04lX.tmp", szTemp, GetCurrentProcessId() & 0xFFFF);
    const std::string unique = szUnique, temp = szTemp;
    // The last of ours is what is left when no unique prefix could be made.
    const std::vector<std::string> ours = {unique + "_CFtagMap_00.tmf", unique + "_CFtagMapEv_00.tmf",
                                           unique + "_CFtagMapMod_07.tmf", temp + "_CFtagMap_00.tmf"};
    const std::vector<std::string> foreign = {unique + "_other.tmf", unique + "_CFtagMap_00.tmf.bak",
                                              temp + "report.tmf"};
    for (BOOL bKeep : {TRUE, FALSE})
    {
        for (const auto* pNames : {&ours, &foreign})
            for (const std::string& name : *pNames)
                WriteBytes(name, name);
        recorder->bKeepTempOutputFiles = bKeep;
        SIMCAP::DeleteTempTmfFiles();
        for (const std::string& name : ours)
            EXPECT_EQ(bKeep != FALSE, Exists(name)) << name << " keep=" << bKeep;
        for (const std::string& name : foreign)
            EXPECT_TRUE(Exists(name)) << name << " keep=" << bKeep;
    }
    for (const std::string& name : foreign)
        DeleteFileA(name.c_str());
}
