// tests/output/XmlWriterTest.cpp — the writer operations, seen as the bytes they leave in a real
// capture file and the debug texts they emit.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "host/SimCap.h"
#include "tests/output/TempCaptureFile.h"
#include "tests/support/DiagCapture.h"

using outputtest::TempCaptureFile;

namespace
{
const UINT c_uCreate = OF_CREATE | OF_WRITE | OF_SHARE_EXCLUSIVE;

struct WriteCase
{
    const char* pszName;
    std::function<BOOL(SIMCAP&)> write;
    std::string expected;
};

class XmlWriterTest : public ::testing::Test
{
  protected:
    void SetUp() override { g_pSimCap = &simcap; }
    void TearDown() override { g_pSimCap = nullptr; }

    // Empties the file, runs one write and answers its result and the bytes it left.
    BOOL Run(const std::function<BOOL(SIMCAP&)>& write, std::string* pBytes)
    {
        file.Open(c_uCreate);
        BOOL bOk = write(simcap);
        *pBytes = file.Contents();
        return bOk;
    }

    void ExpectWrites(const std::vector<WriteCase>& cases)
    {
        for (const WriteCase& c : cases)
        {
            std::string bytes;
            EXPECT_TRUE(Run(c.write, &bytes)) << c.pszName;
            EXPECT_EQ(c.expected, bytes) << c.pszName;
        }
    }

    SIMCAP simcap;
    TempCaptureFile file{simcap};
    DiagCapture diag;
};
} // namespace

std::function<BOOL(SIMCAP&)> Escaped(const char* pszText)
{
    return [=](SIMCAP& s) { return s.WriteEscaped(pszText); };
}

// Escaped text replaces markup and drops control characters; raw text, indentation and tags are written
// as given; simple elements stand on one line.
TEST_F(XmlWriterTest, EachOperationWritesExactlyItsBytes)
{
    ExpectWrites({
        {"markup", Escaped("a<b&c>d"), "a&lt;b&amp;c&gt;d"},
        {"hash and tab", Escaped("#1\t"), "&#x23;1&#x9;"},
        {"quotes", Escaped("say \"hi\" it's"), "say \"hi\" it's"},
        {"line ends", Escaped("l1\nl2\r\n"), "l1\nl2\r\n"},
        {"control bytes",
         Escaped("a\x07"
                 "b\x1f"
                 "c\x01"),
         "abc"},
        {"null", Escaped(nullptr), ""},
        {"raw", [](SIMCAP& s) { return s.WriteRaw("<a>&#\t\xE9\x07"); }, "<a>&#\t\xE9\x07"},
        {"indent 0", [](SIMCAP& s) { return s.WriteIndent(0); }, ""},
        {"indent -3", [](SIMCAP& s) { return s.WriteIndent(-3); }, ""},
        {"indent 3", [](SIMCAP& s) { return s.WriteIndent(3); }, "\t\t\t"},
        {"both attributes",
         [](SIMCAP& s) { return s.WriteStartTag("Event", "StateID", -5, "EventType", "Say \"x\" & #1"); },
         "<Event StateID=\"-5\" EventType=\"Say \"x\" &amp; &#x23;1\">"},
        {"integer only", [](SIMCAP& s) { return s.WriteStartTag("pt", "x", INT_MIN, nullptr, "ignored"); },
         "<pt x=\"-2147483648\">"},
        {"null string value",
         [](SIMCAP& s) { return s.WriteStartTag("Event", nullptr, 7, "EventType", nullptr); },
         "<Event EventType=\"\">"},
        {"end tag", [](SIMCAP& s) { return s.WriteEndTag("Event"); }, "</Event>"},
        {"comment", [](SIMCAP& s) { return s.WriteComment("a<b \"c\""); }, "<!-- a&lt;b \"c\" -->"},
        {"value", [](SIMCAP& s) { return s.WriteSimpleTag(1, "Text", "v", nullptr); }, "\t<Text>v</Text>\n"},
        {"escapes and comment", [](SIMCAP& s) { return s.WriteSimpleTag(0, "Text", "a<b\tc", "x & #2"); },
         "<Text>a&lt;b&#x9;c</Text>\t<!-- x &amp; &#x23;2 -->\n"},
        {"null value", [](SIMCAP& s) { return s.WriteSimpleTag(2, "Text", nullptr, nullptr); },
         "\t\t<Text></Text>\n"},
        {"int min", [](SIMCAP& s) { return s.WriteSimpleTagInt(1, "ID", INT_MIN, nullptr); },
         "\t<ID>-2147483648</ID>\n"},
        {"int max", [](SIMCAP& s) { return s.WriteSimpleTagInt(1, "ID", INT_MAX, nullptr); },
         "\t<ID>2147483647</ID>\n"},
        {"uint max with comment", [](SIMCAP& s) { return s.WriteSimpleTagUInt(1, "hWnd", 0xFFFFFFFF, "WM"); },
         "\t<hWnd>4294967295</hWnd>\t<!-- WM -->\n"},
        {"xml with comment",
         [](SIMCAP& s) { return s.WriteSimpleXML(1, "Accessibility", "\t\t<Name>a&amp;b</Name>\n\t", "#"); },
         "\t<Accessibility>\n\t\t<Name>a&amp;b</Name>\n\t</Accessibility>\t<!-- &#x23; -->\n"},
    });
}

// Characters of the system's code page become UTF-8: 1252 is what this Wine answers by default, 932 what
// it takes from LC_ALL=ja_JP.UTF-8 (Wine reads the Unix locale at start), where a lead byte keeps its trail
// byte whole even when that is a backslash.
TEST_F(XmlWriterTest, CodePageCharactersBecomeUtf8)
{
    if (GetACP() == 1252)
        ExpectWrites({
            {"e acute", Escaped("caf\xE9!"), "caf\xC3\xA9!"},
            {"euro: the code page, not Latin-1", Escaped("\x80"), "\xE2\x82\xAC"},
        });
    else if (GetACP() == 932)
        ExpectWrites({
            {"trail byte is a backslash", Escaped("\x83\x5C"), "\xE3\x82\xBD"},
            {"between markup", Escaped("a\x81\x40<"), "a\xE3\x80\x80&lt;"},
            {"half-width, no lead", Escaped("\xB1#"), "\xEF\xBD\xB1&#x23;"},
        });
    else
        GTEST_SKIP() << "expectations are for code pages 1252 and 932, the system's is " << GetACP();
}

// Whoever flushes may move the position; the next simple element still goes at the end.
TEST_F(XmlWriterTest, SimpleElementsAppendWhereverThePositionStands)
{
    ASSERT_TRUE(simcap.WriteSimpleTag(0, "Text", "a", nullptr));
    ASSERT_TRUE(simcap.FlushOutput());
    ASSERT_NE(HFILE_ERROR, _llseek(simcap.hCaptureFile, 0, FILE_BEGIN));
    EXPECT_TRUE(simcap.WriteSimpleTag(0, "Text", "v", nullptr));
    EXPECT_EQ("<Text>a</Text>\n<Text>v</Text>\n", file.Contents());
}

// The tag map reads the file's end after a flush: every byte must be there by then, in order, also when
// far more was written than the writer collects at once.
TEST_F(XmlWriterTest, AFlushLeavesEveryByteInTheFile)
{
    std::string expected;
    const struct
    {
        std::function<BOOL(SIMCAP&)> write;
        std::string bytes;
    } steps[] = {
        {[](SIMCAP& s) { return s.WriteIndent(2); }, "\t\t"},
        {[](SIMCAP& s) { return s.WriteStartTag("Event", "StateID", 1, "EventType", "x"); },
         "<Event StateID=\"1\" EventType=\"x\">"},
        {[](SIMCAP& s) { return s.WriteSimpleTagInt(3, "ID", 12, nullptr); }, "\t\t\t<ID>12</ID>\n"},
        {[](SIMCAP& s) { return s.WriteEndTag("Event"); }, "</Event>"},
    };
    for (const auto& step : steps)
    {
        ASSERT_TRUE(step.write(simcap)) << step.bytes;
        expected += step.bytes;
        ASSERT_TRUE(simcap.FlushOutput());
        EXPECT_EQ(expected.size(), file.Size()) << step.bytes;
    }
    EXPECT_FALSE(simcap.WriteEventsMark("Events", 1)) << "no tag map";
    for (int i = 0; i < 20000; i++)
    {
        ASSERT_TRUE(simcap.WriteSimpleTagUInt(1, "hWnd", 4000000000u + i, i % 3 ? nullptr : "c#"));
        expected += "\t<hWnd>" + std::to_string(4000000000u + i) + "</hWnd>" +
                    (i % 3 ? "" : "\t<!-- c&#x23; -->") + "\n";
    }
    ASSERT_TRUE(simcap.FlushOutput());
    EXPECT_EQ(expected, file.Contents());
}

TEST_F(XmlWriterTest, WithoutAnOpenFileNothingIsWritten)
{
    file.Close();
    const std::string path = file.PathName();

    EXPECT_FALSE(simcap.WriteSimpleTag(1, "Text", "v", nullptr));
    EXPECT_FALSE(simcap.WriteSimpleXML(1, "Accessibility", "<x/>\n", nullptr));
    EXPECT_EQ((std::vector<std::string>{"SIMCAP::WriteSimpleTag(): Error '" + path + "' isn't open\n",
                                        "SIMCAP::WriteSimpleXML(): Error '" + path + "' isn't open\n"}),
              diag.Lines());

    EXPECT_FALSE(simcap.WriteRaw("x") || simcap.WriteIndent(1));
    EXPECT_EQ("", file.Contents());
}

// A failed or exiting writer cuts every escaped write short; the partial line stays.
TEST_F(XmlWriterTest, WriterStatusCutsElementsShort)
{
    const struct
    {
        UINT nStatus;
        BOOL bOk;
        std::string bytes;
    } cases[] = {
        {TS_FAILED, FALSE, "\t<"}, {TS_EXIT, FALSE, "\t<"}, {TS_FINISHING, TRUE, "\t<Text>v</Text>\n"}};
    for (const auto& c : cases)
    {
        diag.Clear();
        simcap.nWrThreadStatus = c.nStatus;
        std::string bytes;
        EXPECT_EQ(c.bOk, Run([](SIMCAP& s) { return s.WriteSimpleTag(1, "Text", "v", nullptr); }, &bytes))
            << c.nStatus;
        EXPECT_EQ(c.bytes, bytes) << c.nStatus;
        std::vector<std::string> lines = diag.Lines();
        if (c.bOk)
        {
            EXPECT_TRUE(lines.empty()) << c.nStatus;
            continue;
        }
        ASSERT_EQ(3u, lines.size()) << c.nStatus;
        EXPECT_EQ("SIMCAP::WriteSimpleTag(): Error writing '" + file.PathName() + "' - ", lines[0]);
        EXPECT_EQ("\n", lines[2]);
        EXPECT_FALSE(Run([](SIMCAP& s) { return s.WriteEscaped("abc"); }, &bytes)) << c.nStatus;
        EXPECT_EQ("", bytes) << c.nStatus;
    }
}

// A file that refuses writes is found out when the collected pieces are handed over, here by the simple
// element as it looks for the file's end: it fails with the system's text, every piece after it fails,
// and FlushOutput tells the loss once more.
TEST_F(XmlWriterTest, AFileThatRefusesWritesFailsWithTheSystemText)
{
    ASSERT_TRUE(file.Open(OF_READ));
    EXPECT_TRUE(simcap.WriteRaw("collected"));
    EXPECT_FALSE(simcap.WriteSimpleXML(1, "Accessibility", "<x/>\n", nullptr));
    std::vector<std::string> lines = diag.Lines();
    ASSERT_EQ(3u, lines.size());
    EXPECT_EQ("SIMCAP::WriteSimpleXML(): Error writing '" + file.PathName() + "' - ", lines[0]);
    EXPECT_FALSE(lines[1].empty()) << "the system's text for the failed write";
    EXPECT_EQ("\n", lines[2]);
    EXPECT_FALSE(simcap.WriteRaw("after"));
    EXPECT_FALSE(simcap.FlushOutput());
    EXPECT_TRUE(simcap.WriteRaw("told")) << "the loss was told; writing goes on";
    EXPECT_FALSE(simcap.FlushOutput());
    EXPECT_EQ("", file.Contents());
}
