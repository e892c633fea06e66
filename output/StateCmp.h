// output/StateCmp.h — writes a state as its differences from the one before: "EventStateChanges" with
// each changed element marked Modified, Deleted or New. It works on the bytes of the two states and their
// extent tables, never by parsing XML.
#pragma once
#include <windows.h>

class TagMap;
class Tags;

// The status of a row of a match table.
enum : DWORD
{
    MATCH_NONE = 0,
    MATCH_DELETED = 1,
    MATCH_MODIFIED = 2,
    MATCH_SAME = 3,
    MATCH_NEW = 4,
};

class StateCmp
{
  public:
    explicit StateCmp(TagMap& tagMapOwner);
    ~StateCmp();
    StateCmp(const StateCmp&) = delete;
    StateCmp& operator=(const StateCmp&) = delete;

    // Writes "_CFdeltaCompare_00.xml"; TRUE when it was written completely.
    BOOL SetUpAndCompare(const DWORD* pdwPrevXml, const DWORD* pdwPrevExt, const DWORD* pdwCurXml,
                         const DWORD* pdwCurExt);

    // Start and end of extent k; the length (0 when the extent is unusable or above 1,000,000 bytes).
    static int GetCompareExtent(const DWORD* pdwExt, DWORD k, DWORD* pdwStart, DWORD* pdwEnd);
    // 0 no match, 2 similar (score = agreeing bytes), 3 byte-identical.
    int CompareElements(DWORD a, DWORD b, int* pnScore) const;
    // The match table of a's and b's direct children; null when it cannot be made.
    DWORD* CompareNodeElements(DWORD a, DWORD b);
    BOOL OutputDeltaData(const DWORD* pdwTable, int nIndent, BOOL bModified);
    // The length of the tag text written, 0 when the write failed.
    int OutputRefTag(BOOL bCurrent, DWORD k, BOOL bStart, LPCSTR pszAttr, int nIndent, BOOL bNewline);
    static BOOL BuildStateAttr(LPSTR pszBuffer, UINT cchBuffer, LPCSTR pszValue);

  private:
    struct State
    {
        const char* pch = nullptr;
        DWORD cb = 0;
        const DWORD* pdwExt = nullptr;
    };

    BOOL CompareAndOutput(DWORD a, DWORD b, int nIndent, BOOL bModified);
    DWORD* DirectChildren(const State& state, DWORD k);
    BOOL OutputKeyChildren(BOOL bCurrent, DWORD k, int nIndent);
    BOOL OutputNew(DWORD k, int nIndent);
    BOOL ElementName(const State& state, DWORD k, char* pszName, UINT cchName) const;
    BOOL Write(const char* pch, UINT cb);
    BOOL WriteIndent(int nIndent);
    BOOL Flush();
    BOOL IsStopped() const;

    TagMap& tagMap;
    const Tags* pTags;
    State prev;
    State cur;
    HFILE hDelta = HFILE_ERROR;
    // The delta reaches its file in blocks.
    char achOut[16384];
    UINT cbOut = 0;
};
