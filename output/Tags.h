// output/Tags.h — the fixed vocabulary of the capture files: element names, the attribute of the delta
// file, the key children that identify an element between two states, and the simple value names.
#pragma once
#include <windows.h>

// Tag indices: the index is a tag's identity, callers ask for TagTxt(TAG_EVENT), not for a string.
enum : UINT
{
    TAG_BOTTOM = 0,
    TAG_BUTTONS = 1,
    TAG_CLASSNAME = 2,
    TAG_EVENT = 3,
    TAG_EVENTS = 4,
    TAG_GETSTATEEVENT = 5,
    TAG_HMENU = 6,
    TAG_HMOD16 = 7,
    TAG_HPARENTWND = 8,
    TAG_HTASK16 = 9,
    TAG_HWND = 10,
    TAG_ID = 11,
    TAG_INDEX = 12,
    TAG_LEFT = 13,
    TAG_MENU = 14,
    TAG_MENUITEM = 15,
    TAG_MESSAGE = 16,
    TAG_PROCESS = 17,
    TAG_PROCESSES = 18,
    TAG_PT = 19,
    TAG_PTS = 20,
    TAG_RECT = 21,
    TAG_RIGHT = 22,
    TAG_SIMCAP = 23,            // root of the capture files
    TAG_EVENTSTATECHANGES = 24, // root of the delta file
    TAG_TASK = 25,
    TAG_TBBUTTON = 26,
    TAG_TBBUTTONINFO = 27,
    TAG_TBMETRICS = 28,
    TAG_TBTOOLINFO = 29,
    TAG_THREADID = 30,
    TAG_TOOLBARBUTTON = 31,
    TAG_TOP = 32,
    TAG_XML_DECLARATION = 33, // opens every capture file
    TAG_XML_DECLARATION_UTF8 = 34,
    TAG_XML_DECLARATION_CP1252 = 35,
    TAG_VIRTUALKEYCODE = 36,
    TAG_WINDOW = 37,
    TAG_ACTION = 38,
    TAG_CBTACTIVATESTRUCT = 39,
    TAG_CBTCREATEWND = 40,
    TAG_COUNT = 41,
};

// Delta attribute: entry 0 names the attribute, 1 to 4 are its values.
enum : UINT
{
    ATTR_STATE = 0,
    ATTR_DELETED = 1,
    ATTR_MODIFIED = 2,
    ATTR_NEW = 3,
    ATTR_SAME = 4,
    ATTR_COUNT = 5,
};

// A key-attribute list: one record of the static run (tag index, count, reference length, then the key
// tag indices). Absent when the record pointer is null.
class KeyAttrList
{
  public:
    constexpr KeyAttrList() = default;
    explicit constexpr KeyAttrList(const DWORD* pdwRecord) : pdw(pdwRecord) {}

    explicit operator bool() const { return pdw != nullptr; }
    UINT Tag() const { return pdw[0]; }
    UINT Count() const { return pdw[1]; }
    // The least bytes the start tag and the key children take (empty values, no indentation); -999
    // until BuildKeyAttrLists.
    int RefLength() const { return static_cast<int>(pdw[2]); }
    UINT KeyTag(UINT i) const { return pdw[3 + i]; }

  private:
    const DWORD* pdw = nullptr;
};

class Tags
{
  public:
    constexpr Tags() = default;
    Tags(const Tags&) = delete;
    Tags& operator=(const Tags&) = delete;

    // The texts are constants: these need no object, callers may write Tags::TagTxt(TAG_EVENT).
    static LPCSTR TagTxt(UINT nTag);
    static LPCSTR AttrTxt(UINT nAttr);
    static BOOL IsValueName(LPCSTR pszName);

    // Once, right after construction: finds every tag's list and computes the reference lengths.
    BOOL BuildKeyAttrLists();
    KeyAttrList KeyAttrListOf(UINT nTag) const;
    // Case-sensitive; only tags with a list are searched.
    KeyAttrList FindKeyAttrList(LPCSTR pszTag) const;

  private:
    const DWORD* apdwKeyAttr[TAG_COUNT] = {};
};
