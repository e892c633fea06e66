// tests/config/SoundsTest.cpp — where the "Sounds" keys lead, what a missing file reports, the two
// switches, and what playing each sound does. Writing the switches is seen through the Options dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/Sounds.h"
#include "tests/config/ConfigTestFiles.h"
#include "tests/support/DiagCapture.h"

using namespace configtest;

namespace
{
// A valid PCM wave file: one channel, 8 kHz, 8 bits, eight silent samples.
const std::string c_wave("RIFF\x2C\0\0\0WAVEfmt \x10\0\0\0\x01\0\x01\0\x40\x1F\0\0\x40\x1F\0\0\x01\0\x08\0"
                         "data\x08\0\0\0\x80\x80\x80\x80\x80\x80\x80\x80",
                         52);
const HWND c_hwndRecorder = reinterpret_cast<HWND>(0x1234);

class SoundsTest : public ::testing::Test
{
  protected:
    void SetUp() override { sounds.Initialize(); }
    void Read(const std::string& iniBytes)
    {
        sounds.ReadSettings(GetModuleHandleA(nullptr), c_hwndRecorder, dir.Write("s.ini", iniBytes).c_str());
    }
    // A sound still playing makes the next file request fail, so each play starts from silence.
    std::vector<SOUND_OUTCOME> PlayAll() const
    {
        std::vector<SOUND_OUTCOME> v;
        for (int i = 0; i < SOUND_COUNT; i++)
        {
            ::PlaySoundA(nullptr, nullptr, 0);
            v.push_back(sounds.PlaySound(i));
        }
        return v;
    }

    DiagCapture diag;
    TempDir dir;
    Sounds sounds;
};
} // namespace

TEST_F(SoundsTest, BareNamesLieBesideTheModuleAndDrivePathsAreUsedAsGivenOrWithWavAdded)
{
    char szName[64];
    wsprintfA(szName, "cfgtest_step_%lu", GetCurrentProcessId());
    std::string besideModule = ModuleFolder() + "\\" + szName + ".wav";
    ASSERT_TRUE(WriteBytes(besideModule, c_wave));
    std::string snd = dir.Write("start.snd", c_wave);
    std::string wav = dir.Write("click.wav", c_wave);

    Read("[Sounds]\r\nStep=" + std::string(szName) + "\r\nStart=" + snd +
         "\r\nMouseClick=" + dir.Path("click") + "\r\n");
    EXPECT_EQ(besideModule, sounds.SoundPath(SOUND_STEP));
    EXPECT_EQ(snd, sounds.SoundPath(SOUND_START));
    EXPECT_EQ(wav, sounds.SoundPath(SOUND_MOUSECLICK));
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_FILE, SOUND_FILE, SOUND_FILE}), PlayAll());
    EXPECT_TRUE(diag.Boxes().empty());
    DeleteFileA(besideModule.c_str());
}

TEST_F(SoundsTest, MissingFileIsReportedAndTheEarlierPathStaysAsWithAnEmptyKey)
{
    std::string snd = dir.Write("start.snd", c_wave);
    Read("[Sounds]\r\nStart=" + snd + "\r\n");
    Read("[Sounds]\r\nStart=\r\n");
    EXPECT_TRUE(diag.Lines().empty());
    std::string missing = dir.Path("gone");
    Read("[Sounds]\r\nStart=" + missing + "\r\n");

    std::string text = "Could not find " + missing + " - <" + missing + ".wav>";
    EXPECT_EQ((std::vector<std::string>{"SimCapD:SetSoundLoc - ", text, "\n"}), diag.Lines());
    ASSERT_EQ(1u, diag.Boxes().size());
    EXPECT_EQ(text, diag.Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), diag.Boxes()[0].uFlags);
    EXPECT_EQ(c_hwndRecorder, diag.Boxes()[0].hwndOwner);
    EXPECT_EQ(snd, sounds.SoundPath(SOUND_START));
}

TEST_F(SoundsTest, SwitchesSilenceTheirTwoSoundsOnly)
{
    // Without files only start and step beep.
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_SILENT, SOUND_BEEP, SOUND_BEEP}), PlayAll());
    Read("[Sounds]\r\nTypeStroke=" + dir.Write("key.wav", c_wave) + "\r\nClicksEnabled=0\r\n");
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_SILENT, SOUND_BEEP, SOUND_BEEP}), PlayAll());
    Read("[Sounds]\r\nNoteRequestEnabled=0\r\n"); // ClicksEnabled keeps the earlier layer's 0
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_SILENT, SOUND_SILENT, SOUND_SILENT, SOUND_SILENT}),
              PlayAll());
    Read("[Sounds]\r\nClicksEnabled=1\r\n");
    EXPECT_EQ((std::vector<SOUND_OUTCOME>{SOUND_FILE, SOUND_SILENT, SOUND_SILENT, SOUND_SILENT}), PlayAll());
}
