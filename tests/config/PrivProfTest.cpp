// tests/config/PrivProfTest.cpp — layered INI files into the recorder's settings, values written back
// and class lists, seen through real files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"

using namespace configtest;

namespace
{
// Every setting a configuration file can change, in one comparable row.
std::vector<UINT> Settings(const SIMCAP& sc)
{
    // clang-format off
    return {UINT(sc.bIncludeHiddenWindows), UINT(sc.bIncludeMouseEvents), UINT(sc.bIncludeJournalEvents),
            UINT(sc.bKeepTempOutputFiles), UINT(sc.bShowDeltaState), sc.nSnapshotKey, sc.nStopKey,
            UINT(sc.bSelfCapture), UINT(sc.bUserAssistanceDlg), UINT(sc.bOverwriteOKDlg),
            UINT(sc.bAccessibilityEntry), UINT(sc.bDebugExclusions)};
    // clang-format on
}

std::vector<std::string> Classes(const PrivProf& prof, UINT nList)
{
    std::vector<std::string> v;
    for (UINT i = 0; i < prof.ClassCount(nList); i++)
        v.push_back(prof.ClassAt(nList, i));
    return v;
}

std::string FolderOf(int nCsidl)
{
    char sz[MAX_PATH + 1];
    return SHGetFolderPathA(nullptr, nCsidl, nullptr, 0, sz) == S_OK ? sz : "";
}

// One layer's "QM57REC.INI" at its fixed place: what a test finds there is put back afterwards, and a
// "Quillmark" folder the test had to make is removed again.
struct LayerFile
{
    LayerFile(const std::string& parent, bool bCompanyFolder)
        : folder(bCompanyFolder ? parent + "\\Quillmark" : parent), path(folder + "\\QM57REC.INI"),
          bMadeFolder(!Exists(folder)), bExisted(Exists(path)), saved(ReadBytes(path))
    {
        if (bMadeFolder) CreateDirectoryA(folder.c_str(), nullptr);
        DeleteFileA(path.c_str());
    }
    ~LayerFile()
    {
        DeleteFileA(path.c_str());
        if (bExisted) WriteBytes(path, saved);
        if (bMadeFolder) RemoveDirectoryA(folder.c_str());
    }
    bool Write(const std::string& bytes) { return WriteBytes(path, bytes); }

    std::string folder, path;
    bool bMadeFolder, bExisted;
    std::string saved;
};
} // namespace

class PrivProfTest : public ::testing::Test
{
  protected:
    DiagCapture diag;
    TempDir dir;
    SIMCAP simcap;
    PrivProf prof{&simcap, GetModuleHandleA(nullptr), nullptr};

    BOOL Load(const std::string& name, const std::string& bytes)
    {
        return prof.LoadConfigurationFile(dir.Write(name, bytes).c_str());
    }
    std::string UseUserFile()
    {
        std::string ini = dir.Path("user.ini");
        EXPECT_TRUE(prof.SetUserConfigPath(ini.c_str()));
        return ini;
    }
};

TEST_F(PrivProfTest, LaterFileOverridesOnlyItsKeysAndAMissingFileChangesNothing)
{
    ASSERT_TRUE(Load("base.ini",
                     "[Settings]\r\nIncludeHiddenWindows=1\r\nIncludeMouseEvents=1\r\n"
                     "IncludeJournalEvents=0\r\nKeepTempOutputFiles=1\r\nShowDeltaState=0\r\n"
                     "SnapshotKey=0x0002002D\r\nStopKey=0x0001002D\r\nSelfCapture=1\r\n"
                     "UserAssistanceDlg=0\r\nOverwriteOKDlg=0\r\nAccessibilityEntry=1\r\n"
                     "[Debug]\r\nExclusions=1\r\n[Applications]\r\nnotepad.exe=0\r\ncalc.exe=0\r\n"));
    EXPECT_EQ((std::vector<UINT>{1, 1, 0, 1, 0, 0x2002D, 0x1002D, 1, 0, 0, 1, 1}), Settings(simcap));
    // A malformed hotkey keeps the value the earlier layer gave.
    ASSERT_TRUE(Load("user.ini", "[Settings]\r\nIncludeMouseEvents=0\r\nSnapshotKey=44\r\nStopKey=12ab\r\n"
                                 "[Applications]\r\nNOTEPAD.EXE=1\r\n"));
    std::vector<UINT> expected = {1, 0, 0, 1, 0, 44, 0x1002D, 1, 0, 0, 1, 1};
    EXPECT_EQ(expected, Settings(simcap));
    EXPECT_FALSE(simcap.aExclApplications.Find("notepad.exe"));
    EXPECT_TRUE(simcap.aExclApplications.Find("calc.exe"));
    EXPECT_EQ(1, simcap.aExclApplications.Count());

    EXPECT_TRUE(prof.LoadConfigurationFile(dir.Path("absent.ini").c_str()));
    EXPECT_EQ(expected, Settings(simcap));
}

TEST_F(PrivProfTest, WindowMessagesKeysExcludeOrIncludeAndAMalformedKeyFailsTheFile)
{
    for (DWORD dw : {15u, 160u, 275u, 512u})
        ASSERT_TRUE(simcap.aExclMessages.Exclude(dw));
    ASSERT_TRUE(Load("msg.ini", "[Window Messages]\r\n0x113=1\r\n273=0\r\n0x200=7\r\n0400=0\r\n"));
    // WM_TIMER and WM_MOUSEMOVE leave, WM_COMMAND and octal 0400 (256) join.
    std::vector<DWORD> messages;
    for (int i = 0; i < simcap.aExclMessages.Count(); i++)
        messages.push_back(simcap.aExclMessages.At(i));
    EXPECT_EQ((std::vector<DWORD>{15, 160, 256, 273}), messages);
    EXPECT_TRUE(diag.Lines().empty());

    EXPECT_FALSE(Load("bad.ini", "[Window Messages]\r\n12ab=0\r\n"));
    EXPECT_EQ(
        std::vector<std::string>{"SIMCAP::LoadConfigurationFile(): error converting an 'Window Messages' "
                                 "key to a number\n"},
        diag.Lines());
    EXPECT_TRUE(diag.Boxes().empty());
}

TEST_F(PrivProfTest, HotkeyValuesWriteHexThatReadsBackAndRefuseOtherNames)
{
    std::string ini = UseUserFile();
    const std::vector<UINT> before = Settings(simcap);
    EXPECT_FALSE(prof.SetHotkeyVals("snapshotkey", 0x2D));
    EXPECT_EQ(std::vector<std::string>{"PrivProf:SetHotkeyVals - hotkey name <snapshotkey> is invalid.\n"},
              diag.Lines());
    EXPECT_EQ(before, Settings(simcap));
    EXPECT_FALSE(Exists(ini));

    ASSERT_TRUE(prof.SetHotkeyVals("SnapshotKey", 0x2002D));
    ASSERT_TRUE(prof.SetHotkeyVals("StopKey", 0x8001002C));
    EXPECT_EQ("[Settings]\r\nSnapshotKey=0x0002002D\r\nStopKey=0x8001002C\r\n", ReadBytes(ini));
    SIMCAP fresh;
    ASSERT_TRUE(PrivProf(&fresh, GetModuleHandleA(nullptr), nullptr).LoadConfigurationFile(ini.c_str()));
    EXPECT_EQ(0x2002Du, fresh.nSnapshotKey);
    EXPECT_EQ(0x8001002Cu, fresh.nStopKey);
}

TEST_F(PrivProfTest, OutputPathIsCutTo260AndAFolderTooLongForTheBufferIsNotGiven)
{
    std::string ini = UseUserFile();
    std::string longPath = "C:\\" + std::string(300, 'p');
    ASSERT_TRUE(WriteBytes(ini, "[Settings]\r\nOutputPath=" + longPath + "\r\n"));
    char sz[MAX_PATH + 1] = "x";
    ASSERT_TRUE(prof.GetOutputPath(sz, sizeof(sz)));
    EXPECT_EQ(longPath.substr(0, 260), sz);

    ASSERT_TRUE(prof.SetOutputPath("C:\\x\\a.qmr"));
    EXPECT_EQ(4u, prof.GetOutputFolder(sz, sizeof(sz)));
    EXPECT_STREQ("C:\\x", sz);
    EXPECT_EQ(0u, prof.GetOutputFolder(sz, 4)); // 4 characters need 5
    EXPECT_STREQ("", sz);
}

TEST_F(PrivProfTest, ClassListsComeFromTheFirstFileWithoutItsDisabledEntries)
{
    ASSERT_TRUE(Load("1.ini", "[ButtonClasses]\r\nTButton=1\r\nOldButton=0\r\nThunderCommandButton=1\r\n"
                              "[ListBoxClasses]\r\nGone=0\r\n[ComboBoxClasses]\r\nTComboBox=1\r\n"));
    ASSERT_TRUE(
        Load("2.ini", "[ComboBoxClasses]\r\nThunderComboBox=1\r\n[EditClasses]\r\nRichEdit20A=1\r\n"));

    EXPECT_EQ((std::vector<std::string>{"Button", "TButton", "ThunderCommandButton"}),
              Classes(prof, CLASSES_BUTTON));
    EXPECT_TRUE(prof.IsButtonClass("tbutton"));
    EXPECT_FALSE(prof.IsButtonClass("OldButton"));
    EXPECT_EQ(std::vector<std::string>{"ListBox"}, Classes(prof, CLASSES_LISTBOX)); // every entry disabled
    EXPECT_EQ((std::vector<std::string>{"ComboBox", "TComboBox"}), Classes(prof, CLASSES_COMBOBOX));
    // No section in the first file: the list is absent and matches nothing, not even its default.
    EXPECT_EQ(0u, prof.ClassCount(CLASSES_EDIT));
    EXPECT_FALSE(prof.IsEditClass("Edit"));
    EXPECT_FALSE(prof.IsEditClass("RichEdit20A"));
}

TEST_F(PrivProfTest, InitCreatesTheUserFileHoldingOnlyTheOutputPath)
{
    LayerFile user(FolderOf(CSIDL_APPDATA), true);
    ASSERT_TRUE(prof.Init());
    EXPECT_EQ(user.path, prof.UserConfigPath());
    EXPECT_EQ("[Settings]\r\nOutputPath=" + FolderOf(CSIDL_PERSONAL) + "\\qmrecording.qmr\r\n",
              ReadBytes(user.path));
    EXPECT_TRUE(diag.Boxes().empty());

    // A file the user already has survives the next start unchanged.
    const std::string mine = "[Settings]\r\nStopKey=0x0001002C\r\nOutputPath=D:\\mine.qmr\r\n";
    ASSERT_TRUE(user.Write(mine));
    SIMCAP other;
    ASSERT_TRUE(PrivProf(&other, GetModuleHandleA(nullptr), nullptr).Init());
    EXPECT_EQ(mine, ReadBytes(user.path));
}

TEST_F(PrivProfTest, LoadConfigurationLayersModuleCommonLocalAndUserFiles)
{
    LayerFile module(ModuleFolder(), false);
    LayerFile common(FolderOf(CSIDL_COMMON_APPDATA), true);
    LayerFile local(FolderOf(CSIDL_LOCAL_APPDATA), true);
    LayerFile user(FolderOf(CSIDL_APPDATA), true);
    ASSERT_TRUE(module.Write("[Settings]\r\nSnapshotKey=0x0000002C\r\nSelfCapture=1\r\n"));
    ASSERT_TRUE(common.Write("[Settings]\r\nSelfCapture=0\r\n"));
    ASSERT_TRUE(local.Write("[Applications]\r\nnotepad.exe=0\r\n"));
    ASSERT_TRUE(user.Write("[Settings]\r\nSnapshotKey=0x0000002D\r\n[Sounds]\r\nClicksEnabled=0\r\n"));

    ASSERT_TRUE(prof.LoadConfiguration());
    EXPECT_EQ(0x2Du, simcap.nSnapshotKey);
    EXPECT_FALSE(simcap.bSelfCapture);
    EXPECT_TRUE(simcap.aExclApplications.Find("notepad.exe"));
    EXPECT_FALSE(simcap.sounds.ClicksEnabled());
}
