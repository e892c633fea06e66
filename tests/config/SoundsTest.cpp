// tests/config/SoundsTest.cpp — where the "Sounds" keys lead, what a missing file reports, the two
// switches, and what playing each sound does.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Sounds.h"
#include "tests/config/ConfigTestFiles.h"

using namespace configtest;

namespace
{
// A valid PCM wave file: one channel, 8 kHz, 8 bits, eight silent samples.
std::string WaveBytes()
{
    const unsigned char ab[] = {'R', 'I', 'F', 'F', 44, 0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                                ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x40, 0x1F, 0,   0,   0x40, 0x1F,
                                0,   0,   1,   0,   8,  0, 'd', 'a', 't', 'a',  8,    0,   0,   0};
    return std::string(reinterpret_cast<const char*>(ab), sizeof(ab)) + std::string(8, '\x80');
}

const HWND c_hwndRecorder = reinterpret_cast<HWND>(0x1234);

// A file beside the test executable, which stands in for the host's module.
class ModuleFile
{
  public:
    explicit ModuleFile(const std::string& name) : path(ModuleFolder() + "\\" + name)
    {
        WriteBytes(path, WaveBytes());
    }
    ~ModuleFile() { DeleteFileA(path.c_str()); }
    ModuleFile(const ModuleFile&) = delete;
    ModuleFile& operator=(const ModuleFile&) = delete;
    std::string path;
};
} // namespace

class SoundsTest : public ::testing::Test
{
  protected:
    void SetUp() override { sounds.Initialize(); }

    void Read(const std::string& iniBytes)
    {
        sounds.ReadSettings(GetModuleHandleA(nullptr), c_hwndRecorder, dir.Write("s.ini", iniBytes).c_str());
    }
    // A sound still playing makes the next file request fail (the recorder does not cut sounds off), so
    // each play starts from silence.
    SOUND_OUTCOME Play(int nIndex) const
    {
        ::PlaySoundA(nullptr, nullptr, 0);
        return sounds.PlaySound(nIndex);
    }
    std::vector<SOUND_OUTCOME> PlayAll() const
    {
        std::vector<SOUND_OUTCOME> v;
        for (int i = 0; i < SOUND_COUNT; i++)
            v.push_back(Play(i));
        return v;
    }

    Watch watch;
    TempDir dir;
    Sounds sounds;
};

TEST_F(SoundsTest, BareNameIsTakenFromTheModuleFolderWithWavAdded)
{
    char szName[64];
    wsprintfA(szName, "cfgtest_step_%lu", GetCurrentProcessId());
    ModuleFile wave(std::string(szName) + ".wav");

    Read(std::string("[Sounds]\r\nStep=") + szName + "\r\n");
    EXPECT_EQ(wave.path, sounds.SoundPath(SOUND_STEP));
    EXPECT_EQ(SOUND_FILE, Play(SOUND_STEP));
    EXPECT_EQ(SOUND_BEEP, Play(SOUND_START));
    EXPECT_TRUE(watch.Boxes().empty());
}

TEST_F(SoundsTest, DriveLetterPathIsUsedAsGivenOrWithWavAdded)
{
    std::string snd = dir.Write("start.snd", WaveBytes());
    std::string wav = dir.Write("click.wav", WaveBytes());
    Read("[Sounds]\r\nStart=" + snd + "\r\nMouseClick=" + dir.Path("click") + "\r\n");
    EXPECT_EQ(snd, sounds.SoundPath(SOUND_START));
    EXPECT_EQ(wav, sounds.SoundPath(SOUND_MOUSECLICK));
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_FILE, SOUND_FILE, SOUND_BEEP}), PlayAll());
}

TEST_F(SoundsTest, MissingFileIsReportedAndTheEarlierPathStays)
{
    std::string snd = dir.Write("start.snd", WaveBytes());
    Read("[Sounds]\r\nStart=" + snd + "\r\n");
    std::string missing = dir.Path("gone");
    Read("[Sounds]\r\nStart=" + missing + "\r\n");

    std::string text = "Could not find " + missing + " - <" + missing + ".wav>";
    EXPECT_EQ((std::vector<std::string>{"SimCapD:SetSoundLoc - ", text, "\n"}), watch.Lines());
    ASSERT_EQ(1u, watch.Boxes().size());
    EXPECT_EQ(text, watch.Boxes()[0].text);
    EXPECT_EQ(64u, watch.Boxes()[0].uFlags);
    EXPECT_EQ(c_hwndRecorder, watch.Boxes()[0].hwndOwner);
    EXPECT_EQ(snd, sounds.SoundPath(SOUND_START));
}

TEST_F(SoundsTest, EmptyKeyKeepsTheEarlierPath)
{
    std::string wav = dir.Write("step.wav", WaveBytes());
    Read("[Sounds]\r\nStep=" + wav + "\r\n");
    Read("[Sounds]\r\nStep=\r\n");
    EXPECT_EQ(wav, sounds.SoundPath(SOUND_STEP));
    EXPECT_TRUE(watch.Boxes().empty());
    EXPECT_TRUE(watch.Lines().empty());
}

TEST_F(SoundsTest, SwitchesSilenceTheirTwoSoundsOnly)
{
    // Without files only start and step beep.
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_SILENT, SOUND_BEEP, SOUND_BEEP}), PlayAll());

    std::string wav = dir.Write("key.wav", WaveBytes());
    Read("[Sounds]\r\nTypeStroke=" + wav + "\r\nClicksEnabled=0\r\n");
    EXPECT_FALSE(sounds.ClicksEnabled());
    EXPECT_TRUE(sounds.NoteRequestEnabled());
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_SILENT, SOUND_BEEP, SOUND_BEEP}), PlayAll());

    Read("[Sounds]\r\nNoteRequestEnabled=0\r\n"); // ClicksEnabled keeps the earlier layer's 0
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_SILENT, SOUND_SILENT, SOUND_SILENT}),
              PlayAll());

    Read("[Sounds]\r\nClicksEnabled=1\r\n");
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_FILE, SOUND_SILENT, SOUND_SILENT, SOUND_SILENT}), PlayAll());
}

TEST_F(SoundsTest, UpdateWritesTheSwitchAndChangesMemoryOnlyWhenTheWriteWorked)
{
    struct Case
    {
        BOOL (Sounds::*pfnUpdate)(LPCSTR, HWND, BOOL);
        BOOL (Sounds::*pfnGet)() const;
        const char* pszKey;
        const char* pszFailure;
        int nSound;
    };
    const Case aCase[] = {
        {&Sounds::UpdateClicksEnabled, &Sounds::ClicksEnabled, "ClicksEnabled",
         "Could not update the Clicks Enabled request.", SOUND_MOUSECLICK},
        {&Sounds::UpdateNoteRequestEnabled, &Sounds::NoteRequestEnabled, "NoteRequestEnabled",
         "Could not update the Note Request Enabled request.", SOUND_START},
    };
    for (const Case& c : aCase)
    {
        sounds.Initialize();
        watch.Boxes().clear();
        std::string ini = dir.Path(std::string(c.pszKey) + ".ini");

        EXPECT_TRUE((sounds.*c.pfnUpdate)(ini.c_str(), c_hwndRecorder, FALSE));
        EXPECT_EQ("[Sounds]\r\n" + std::string(c.pszKey) + "=0\r\n", ReadBytes(ini));
        EXPECT_FALSE((sounds.*c.pfnGet)());
        EXPECT_FALSE(sounds.IsSoundEnabled(c.nSound));

        EXPECT_TRUE((sounds.*c.pfnUpdate)(ini.c_str(), c_hwndRecorder, 7));
        EXPECT_EQ("[Sounds]\r\n" + std::string(c.pszKey) + "=1\r\n", ReadBytes(ini));
        EXPECT_TRUE((sounds.*c.pfnGet)());
        EXPECT_TRUE(sounds.IsSoundEnabled(c.nSound));
        EXPECT_TRUE(watch.Boxes().empty());

        std::string unwritable = dir.Path("no such folder\\QM57REC.INI");
        EXPECT_FALSE((sounds.*c.pfnUpdate)(unwritable.c_str(), c_hwndRecorder, FALSE));
        EXPECT_TRUE((sounds.*c.pfnGet)());
        EXPECT_TRUE(sounds.IsSoundEnabled(c.nSound));
        ASSERT_EQ(1u, watch.Boxes().size()) << c.pszKey;
        EXPECT_EQ(c.pszFailure, watch.Boxes()[0].text);
        EXPECT_EQ(64u, watch.Boxes()[0].uFlags);
    }
}
