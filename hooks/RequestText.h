// hooks/RequestText.h — the texts that tell a collector in the target where to save a bitmap. A path
// does not fit into a message parameter, so the text travels in a global atom (at most 255 characters);
// the part of the path that does not fit goes into a second, spillover atom whose number the first text
// names. Numbers are right-aligned in fixed widths, each followed by a comma.
#pragma once
#include <windows.h>

// Widths of the numbers before the spillover atom: menu item 72 characters, button image 25; the
// spillover atom takes 7 more. The path gets what is left of 254 characters in the first text.
const UINT c_cchMenuRequestNumbers = 72;
const UINT c_cchMenuRequestPath = 175;
const UINT c_cchButtonRequestNumbers = 25;
const UINT c_cchButtonRequestPath = 222;
const UINT c_cchSpilloverField = 7;

// The two atoms of one request; both are deleted when the object goes.
class RequestAtoms
{
  public:
    RequestAtoms() = default;
    ~RequestAtoms();
    RequestAtoms(const RequestAtoms&) = delete;
    RequestAtoms& operator=(const RequestAtoms&) = delete;

    // Adds the text: pszNumbers (exactly cchNumbers characters), the spillover atom, then the path, of
    // which at most cchPathInText characters go into the first text and the rest into the spillover
    // atom. FALSE when a length is wrong or an atom cannot be made; GetLastError then tells why.
    BOOL Add(LPCSTR pszNumbers, UINT cchNumbers, UINT cchPathInText, LPCSTR pszPath);
    ATOM Request() const { return atomRequest; }
    ATOM Spillover() const { return atomSpillover; }

  private:
    ATOM atomRequest = 0;
    ATOM atomSpillover = 0;
};

// The next fixed-width field of a request text. *pnPos starts at -1; the field begins one character
// after it; the character after the field (its comma) becomes NUL and *pnPos moves onto it. The field is
// read as a decimal number (leading blanks skipped, optional sign, no overflow check), so a value written
// with "%10u" comes back as the same 32 bits.
LONG NextRequestField(LPSTR pszText, int* pnPos, int nWidth);

// Reads a request: the atom's text into pszBuffer (512 bytes), its numbers by the widths (the last one
// is the spillover atom) into alValues, and the folder path, spillover joined and ending in "\", to the
// start of pszBuffer. FALSE (after its debug line, whose texts name the collector) when the text cannot
// be read or the path is too long. An empty path is accepted (and stays empty) where bPathOptional.
struct RequestTextNames
{
    LPCSTR pszNoInput;     // the atom's text could not be read
    LPCSTR pszNoSpillover; // the spillover atom's text could not be read
    LPCSTR pszTooLong;     // the path is 260 characters or longer, or shorter than 2
};
BOOL ReadRequestText(ATOM atom, const int* anWidths, UINT cFields, LONG* alValues, LPSTR pszBuffer,
                     const RequestTextNames& names, BOOL bPathOptional);
