// tests/config/PrivProfTest.cpp — layered INI files into the recorder's settings, values written back,
// class lists and the folder helper, seen through real files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

#include "config/PrivProf.h"
#include "host/SimCap.h"
#include "tests/config/ConfigTestFiles.h"

using namespace configtest;

namespace
{
const char c_szBadKeyLine[] =
    "SIMCAP::LoadConfigurationFile(): error converting an 'Window Messages' key to a number\n";

// Every setting a configuration file can change, in one comparable row.
std::vector<UINT> Settings(const SIMCAP& sc)
{
    return {static_cast<UINT>(sc.bIncludeHiddenWindows),
            static_cast<UINT>(sc.bIncludeMouseEvents),
            static_cast<UINT>(sc.bIncludeJournalEvents),
            static_cast<UINT>(sc.bKeepTempOutputFiles),
            static_cast<UINT>(sc.bShowDeltaState),
            sc.nSnapshotKey,
            sc.nStopKey,
            static_cast<UINT>(sc.bSelfCapture),
            static_cast<UINT>(sc.bUserAssistanceDlg),
            static_cast<UINT>(sc.bOverwriteOKDlg),
            static_cast<UINT>(sc.bAccessibilityEntry),
            static_cast<UINT>(sc.bDebugExclusions)};
}

std::vector<DWORD> Messages(const SIMCAP& sc)
{
    std::vector<DWORD> v;
    for (int i = 0; i < sc.aExclMessages.Count(); i++)
        v.push_back(sc.aExclMessages.At(i));
    return v;
}

std::vector<std::string> Classes(const PrivProf& prof, UINT nList)
{
    std::vector<std::string> v;
    for (UINT i = 0; i < prof.ClassCount(nList); i++)
        v.push_back(prof.ClassAt(nList, i));
    return v;
}

const char c_szEveryKey[] = "[Settings]\r\n"
                            "IncludeHiddenWindows=1\r\n"
                            "IncludeMouseEvents=1\r\n"
                            "IncludeJournalEvents=0\r\n"
                            "KeepTempOutputFiles=1\r\n"
                            "ShowDeltaState=0\r\n"
                            "SnapshotKey=0x0002002D\r\n"
                            "StopKey=0x0001002D\r\n"
                            "SelfCapture=1\r\n"
                            "UserAssistanceDlg=0\r\n"
                            "OverwriteOKDlg=0\r\n"
                            "AccessibilityEntry=1\r\n"
                            "[Debug]\r\n"
                            "Exclusions=1\r\n";
} // namespace

class PrivProfTest : public ::testing::Test
{
  protected:
    Watch watch;
    TempDir dir;
    SIMCAP simcap;
    PrivProf prof{&simcap, GetModuleHandleA(nullptr), nullptr};

    BOOL Load(const std::string& name, const std::string& bytes)
    {
        return prof.LoadConfigurationFile(dir.Write(name, bytes).c_str());
    }
};

TEST_F(PrivProfTest, LaterFileOverridesOnlyTheKeysItHas)
{
    ASSERT_TRUE(Load("base.ini", c_szEveryKey));
    EXPECT_EQ((std::vector<UINT>{1, 1, 0, 1, 0, 0x2002D, 0x1002D, 1, 0, 0, 1, 1}), Settings(simcap));
    ASSERT_TRUE(Load("user.ini", "[Settings]\r\nIncludeMouseEvents=0\r\nSnapshotKey=44\r\n"));
    std::vector<UINT> expected = {1, 0, 0, 1, 0, 44, 0x1002D, 1, 0, 0, 1, 1};
    EXPECT_EQ(expected, Settings(simcap));

    EXPECT_TRUE(prof.LoadConfigurationFile(dir.Path("absent.ini").c_str()));
    EXPECT_EQ(expected, Settings(simcap));
}

TEST_F(PrivProfTest, HotkeysReadHexDecimalAndKeepTheValueWhenMalformed)
{
    struct Case
    {
        const char* pszValue;
        UINT nExpected;
    };
    const UINT nBefore = 0x12345;
    const Case aCase[] = {
        {"0x0002002D", 0x2002D}, {"45", 45}, {"12ab", nBefore}, {"", nBefore}, {"0x100000000", nBefore},
    };
    for (const Case& c : aCase)
    {
        simcap.nSnapshotKey = nBefore;
        simcap.nStopKey = nBefore;
        std::string line = std::string("=") + c.pszValue + "\r\n";
        ASSERT_TRUE(Load("keys.ini", "[Settings]\r\nSnapshotKey" + line + "StopKey" + line));
        EXPECT_EQ(c.nExpected, simcap.nSnapshotKey) << c.pszValue;
        EXPECT_EQ(c.nExpected, simcap.nStopKey) << c.pszValue;
    }
}

TEST_F(PrivProfTest, WindowMessagesKeyNumbersExcludeOrInclude)
{
    for (DWORD dw : {15u, 160u, 275u, 512u})
        ASSERT_TRUE(simcap.aExclMessages.Exclude(dw));
    ASSERT_TRUE(Load("msg.ini", "[Window Messages]\r\n0x113=1\r\n273=0\r\n0x200=7\r\n0400=0\r\n"));
    // WM_TIMER and WM_MOUSEMOVE leave, WM_COMMAND and octal 0400 (256) join.
    EXPECT_EQ((std::vector<DWORD>{15, 160, 256, 273}), Messages(simcap));
    EXPECT_TRUE(watch.Lines().empty());
}

TEST_F(PrivProfTest, MalformedWindowMessagesKeyFailsTheFile)
{
    ASSERT_TRUE(simcap.aExclMessages.Exclude(275));
    EXPECT_FALSE(Load("bad.ini", "[Window Messages]\r\n0x113=1\r\n12ab=0\r\n"));
    EXPECT_EQ(std::vector<std::string>{c_szBadKeyLine}, watch.Lines());
    EXPECT_TRUE(watch.Boxes().empty());
}

TEST_F(PrivProfTest, ApplicationsExcludedByOneLayerAndIncludedAgainByALater)
{
    ASSERT_TRUE(Load("1.ini", "[Applications]\r\nnotepad.exe=0\r\ncalc.exe=0\r\n"));
    EXPECT_TRUE(simcap.aExclApplications.Find("notepad.exe"));
    EXPECT_TRUE(simcap.aExclApplications.Find("calc.exe"));

    ASSERT_TRUE(Load("2.ini", "[Applications]\r\nNOTEPAD.EXE=1\r\n"));
    EXPECT_FALSE(simcap.aExclApplications.Find("notepad.exe"));
    EXPECT_TRUE(simcap.aExclApplications.Find("calc.exe"));
    EXPECT_EQ(1, simcap.aExclApplications.Count());
}

TEST_F(PrivProfTest, SetHotkeyValsWritesHexThatReadsBackAsTheSameNumber)
{
    std::string ini = dir.Path("user.ini");
    ASSERT_TRUE(prof.SetUserConfigPath(ini.c_str()));

    ASSERT_TRUE(prof.SetHotkeyVals("SnapshotKey", 0x2002D));
    ASSERT_TRUE(prof.SetHotkeyVals("StopKey", 0x8001002C));
    EXPECT_EQ(0x2002Du, simcap.nSnapshotKey);
    EXPECT_EQ("[Settings]\r\nSnapshotKey=0x0002002D\r\nStopKey=0x8001002C\r\n", ReadBytes(ini));

    SIMCAP fresh;
    PrivProf reader(&fresh, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(reader.LoadConfigurationFile(ini.c_str()));
    EXPECT_EQ(0x2002Du, fresh.nSnapshotKey);
    EXPECT_EQ(0x8001002Cu, fresh.nStopKey);
}

TEST_F(PrivProfTest, SetHotkeyValsRefusesOtherNamesAndChangesNothing)
{
    std::string ini = dir.Path("user.ini");
    ASSERT_TRUE(prof.SetUserConfigPath(ini.c_str()));
    std::vector<UINT> before = Settings(simcap);

    EXPECT_FALSE(prof.SetHotkeyVals("snapshotkey", 0x2D));
    EXPECT_FALSE(prof.SetHotkeyVals(nullptr, 0x2D));
    EXPECT_EQ((std::vector<std::string>{"PrivProf:SetHotkeyVals - hotkey name <snapshotkey> is invalid.\n",
                                        "PrivProf:SetHotkeyVals - hotkey name is null.\n"}),
              watch.Lines());
    EXPECT_EQ(before, Settings(simcap));
    EXPECT_FALSE(Exists(ini));
}

TEST_F(PrivProfTest, FailedKeyUpdateShowsItsMessageButKeepsTheNewValue)
{
    ASSERT_TRUE(prof.SetUserConfigPath(dir.Path("missing\\user.ini").c_str()));

    EXPECT_FALSE(prof.UpdateSnapshotKey(0x2D));
    EXPECT_FALSE(prof.UpdateStopKey(0x1002D));
    ASSERT_EQ(2u, watch.Boxes().size());
    EXPECT_EQ("Could not update Start/Update key combination request.", watch.Boxes()[0].text);
    EXPECT_EQ("Could not update Stop key combination request.", watch.Boxes()[1].text);
    EXPECT_EQ(64u, watch.Boxes()[0].uFlags);
    EXPECT_EQ(64u, watch.Boxes()[1].uFlags);
    EXPECT_EQ(0x2Du, simcap.nSnapshotKey);
    EXPECT_EQ(0x1002Du, simcap.nStopKey);
}

TEST_F(PrivProfTest, DialogChoicesAndOutputPathAreWrittenToTheUserFile)
{
    std::string ini = dir.Path("user.ini");
    ASSERT_TRUE(prof.SetUserConfigPath(ini.c_str()));
    EXPECT_TRUE(prof.SetUserAssistanceDlg(FALSE));
    EXPECT_TRUE(prof.SetOverwriteOKDlg(5));
    EXPECT_TRUE(prof.SetOutputPath("D:\\rec\\x.qmr"));
    EXPECT_EQ("[Settings]\r\nUserAssistanceDlg=0\r\nOverwriteOKDlg=1\r\nOutputPath=D:\\rec\\x.qmr\r\n",
              ReadBytes(ini));

    char sz[MAX_PATH + 1];
    ASSERT_TRUE(prof.GetOutputPath(sz, sizeof(sz)));
    EXPECT_STREQ("D:\\rec\\x.qmr", sz);
}

TEST_F(PrivProfTest, OutputPathIsCutTo260AndRefusedWhenTheBufferIsTooSmall)
{
    std::string ini = dir.Path("user.ini");
    ASSERT_TRUE(prof.SetUserConfigPath(ini.c_str()));
    std::string longPath = "C:\\" + std::string(300, 'p');
    ASSERT_TRUE(WriteBytes(ini, "[Settings]\r\nOutputPath=" + longPath + "\r\n"));

    char sz[MAX_PATH + 1] = "x";
    ASSERT_TRUE(prof.GetOutputPath(sz, sizeof(sz)));
    EXPECT_EQ(longPath.substr(0, 260), sz);

    ASSERT_TRUE(WriteBytes(ini, "[Settings]\r\nOutputPath=C:\\a.qmr\r\n"));
    EXPECT_FALSE(prof.GetOutputPath(sz, 8)); // 8 characters need 9
    EXPECT_STREQ("", sz);
    EXPECT_TRUE(prof.GetOutputPath(sz, 9));
    EXPECT_STREQ("C:\\a.qmr", sz);
}

TEST_F(PrivProfTest, GetOutputFolderDropsTheFileName)
{
    std::string ini = dir.Path("user.ini");
    ASSERT_TRUE(prof.SetUserConfigPath(ini.c_str()));
    struct Case
    {
        const char* pszPath;
        const char* pszFolder;
    };
    const Case aCase[] = {{"C:\\x\\a.qmr", "C:\\x"}, {"C:a.qmr", "C:"}, {"C:\\a.qmr", "C:"}};
    for (const Case& c : aCase)
    {
        ASSERT_TRUE(prof.SetOutputPath(c.pszPath));
        char sz[MAX_PATH + 1] = "x";
        EXPECT_EQ(strlen(c.pszFolder), prof.GetOutputFolder(sz, sizeof(sz))) << c.pszPath;
        EXPECT_STREQ(c.pszFolder, sz);
    }

    ASSERT_TRUE(prof.SetOutputPath("C:\\x\\a.qmr"));
    char szSmall[4] = "x";
    EXPECT_EQ(0u, prof.GetOutputFolder(szSmall, sizeof(szSmall)));
    EXPECT_STREQ("", szSmall);
    EXPECT_EQ(0u, prof.GetOutputFolder(nullptr, 10));
}

TEST_F(PrivProfTest, DisabledClassIsLeftOutAndTheOthersStay)
{
    ASSERT_TRUE(Load("cls.ini", "[ButtonClasses]\r\nTButton=1\r\nOldButton=0\r\nThunderCommandButton=1\r\n"
                                "[ListBoxClasses]\r\nGone=0\r\n"));
    EXPECT_EQ((std::vector<std::string>{"Button", "TButton", "ThunderCommandButton"}),
              Classes(prof, CLASSES_BUTTON));
    EXPECT_TRUE(prof.IsButtonClass("tbutton"));
    EXPECT_TRUE(prof.IsButtonClass("BUTTON"));
    EXPECT_FALSE(prof.IsButtonClass("OldButton"));
    // Every entry disabled: the default class alone remains.
    EXPECT_EQ(std::vector<std::string>{"ListBox"}, Classes(prof, CLASSES_LISTBOX));
    EXPECT_TRUE(watch.Lines().empty());
}

TEST_F(PrivProfTest, ClassListsComeFromTheFirstFileOnly)
{
    ASSERT_TRUE(
        Load("1.ini", "[ComboBoxClasses]\r\nTComboBox=1\r\n[AccessibilityClasses]\r\nSysTreeView32=1\r\n"));
    ASSERT_TRUE(
        Load("2.ini", "[ComboBoxClasses]\r\nThunderComboBox=1\r\n[EditClasses]\r\nRichEdit20A=1\r\n"));

    EXPECT_EQ((std::vector<std::string>{"ComboBox", "TComboBox"}), Classes(prof, CLASSES_COMBOBOX));
    EXPECT_EQ((std::vector<std::string>{"_noop_", "SysTreeView32"}), Classes(prof, CLASSES_ACCESSIBILITY));
    EXPECT_FALSE(prof.IsComboBoxClass("ThunderComboBox"));
    // No section in the first file: the list is absent and matches nothing, not even its default.
    EXPECT_EQ(0u, prof.ClassCount(CLASSES_EDIT));
    EXPECT_FALSE(prof.IsEditClass("Edit"));
    EXPECT_FALSE(prof.IsEditClass("RichEdit20A"));
}

TEST_F(PrivProfTest, CreateFolderPathMakesEachFolderAndUndoesItsOwnOnFailure)
{
    const UINT ichBase = static_cast<UINT>(dir.path.size());
    std::string deep = dir.Path("a\\b\\c");
    ASSERT_TRUE(PrivProf::CreateFolderPath(deep.c_str(), ichBase));
    EXPECT_TRUE(Exists(deep));
    // Existing folders count as made.
    EXPECT_TRUE(PrivProf::CreateFolderPath(dir.Path("a\\b\\d").c_str(), ichBase));
    EXPECT_TRUE(Exists(dir.Path("a\\b\\d")));

    // A name no folder can have: n1 and n2 are made, then taken away again; "a" was there before.
    EXPECT_FALSE(PrivProf::CreateFolderPath(dir.Path("a\\n1\\n2\\bad|name\\n4").c_str(), ichBase));
    EXPECT_FALSE(Exists(dir.Path("a\\n1")));
    EXPECT_TRUE(Exists(dir.Path("a\\b\\c")));

    std::string tooLong = dir.path + "\\" + std::string(260 - dir.path.size(), 'z');
    ASSERT_EQ(261u, tooLong.size());
    EXPECT_FALSE(PrivProf::CreateFolderPath(tooLong.c_str(), ichBase));
    EXPECT_FALSE(Exists(tooLong));
}

namespace
{
std::string FolderOf(int nCsidl)
{
    char sz[MAX_PATH + 1];
    if (SHGetFolderPathA(nullptr, nCsidl, nullptr, 0, sz) != S_OK) return "";
    return sz;
}

// One layer's "QM57REC.INI" at a fixed place: whatever a test finds there is put back afterwards, and a
// "Quillmark" folder the test had to make is removed again.
class LayerFile
{
  public:
    LayerFile(const std::string& parent, bool bCompanyFolder)
        : folder(bCompanyFolder ? parent + "\\Quillmark" : parent), path(folder + "\\QM57REC.INI"),
          bMadeFolder(!Exists(folder)), bExisted(Exists(path))
    {
        if (bMadeFolder) CreateDirectoryA(folder.c_str(), nullptr);
        if (bExisted) saved = ReadBytes(path);
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

  private:
    bool bMadeFolder, bExisted;
    std::string saved;
};
} // namespace

TEST_F(PrivProfTest, InitCreatesTheUserFileHoldingOnlyTheOutputPath)
{
    LayerFile user(FolderOf(CSIDL_APPDATA), true);
    ASSERT_FALSE(Exists(user.path));

    ASSERT_TRUE(prof.Init());
    EXPECT_EQ(user.path, prof.UserConfigPath());
    std::string defaultPath = FolderOf(CSIDL_PERSONAL) + "\\qmrecording.qmr";
    EXPECT_EQ(defaultPath, prof.DefaultOutputPath());
    EXPECT_EQ("[Settings]\r\nOutputPath=" + defaultPath + "\r\n", ReadBytes(user.path));
    EXPECT_TRUE(watch.Boxes().empty());

    // A path the user chose before survives the next start.
    ASSERT_TRUE(user.Write("[Settings]\r\nStopKey=0x0001002C\r\nOutputPath=D:\\mine.qmr\r\n"));
    SIMCAP other;
    PrivProf again(&other, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(again.Init());
    char sz[MAX_PATH + 1];
    ASSERT_TRUE(again.GetOutputPath(sz, sizeof(sz)));
    EXPECT_STREQ("D:\\mine.qmr", sz);
    EXPECT_EQ("[Settings]\r\nStopKey=0x0001002C\r\nOutputPath=D:\\mine.qmr\r\n", ReadBytes(user.path));
}

TEST_F(PrivProfTest, LoadConfigurationLayersModuleCommonLocalAndUserFiles)
{
    LayerFile module(ModuleFolder(), false);
    LayerFile common(FolderOf(CSIDL_COMMON_APPDATA), true);
    LayerFile local(FolderOf(CSIDL_LOCAL_APPDATA), true);
    LayerFile user(FolderOf(CSIDL_APPDATA), true);

    ASSERT_TRUE(
        module.Write("[Settings]\r\nSnapshotKey=0x0000002C\r\nIncludeMouseEvents=1\r\nSelfCapture=1\r\n"
                     "[EditClasses]\r\nRichEdit20A=1\r\n"));
    ASSERT_TRUE(common.Write("[Settings]\r\nSelfCapture=0\r\nAccessibilityEntry=1\r\n"));
    ASSERT_TRUE(local.Write("[Applications]\r\nnotepad.exe=0\r\n"));
    ASSERT_TRUE(user.Write("[Settings]\r\nSnapshotKey=0x0000002D\r\n[EditClasses]\r\nTMemo=1\r\n"
                           "[Sounds]\r\nClicksEnabled=0\r\n"));

    ASSERT_TRUE(prof.LoadConfiguration());
    EXPECT_EQ(0x2Du, simcap.nSnapshotKey);
    EXPECT_TRUE(simcap.bIncludeMouseEvents);
    EXPECT_FALSE(simcap.bSelfCapture);
    EXPECT_TRUE(simcap.bAccessibilityEntry);
    EXPECT_TRUE(simcap.aExclApplications.Find("notepad.exe"));
    EXPECT_TRUE(prof.IsEditClass("RichEdit20A"));
    EXPECT_FALSE(prof.IsEditClass("TMemo"));
    EXPECT_FALSE(simcap.sounds.ClicksEnabled());

    // A broken layer ends the reading beyond it; only a broken file beside the module fails the load.
    ASSERT_TRUE(local.Write("[Settings]\r\nKeepTempOutputFiles=1\r\n[Window Messages]\r\n12ab=1\r\n"));
    SIMCAP second;
    PrivProf secondProf(&second, GetModuleHandleA(nullptr), nullptr);
    EXPECT_TRUE(secondProf.LoadConfiguration());
    EXPECT_TRUE(second.bKeepTempOutputFiles);
    EXPECT_EQ(0x2Cu, second.nSnapshotKey);
    EXPECT_EQ(std::vector<std::string>{c_szBadKeyLine}, watch.Lines());

    ASSERT_TRUE(module.Write("[Window Messages]\r\n12ab=1\r\n"));
    SIMCAP third;
    PrivProf thirdProf(&third, GetModuleHandleA(nullptr), nullptr);
    EXPECT_FALSE(thirdProf.LoadConfiguration());
}
