// The calls reach into the target's process and the recorder waits for each. Wine answers E_NOTIMPL for
// many child objects: such a child stays an empty node and the rest of the tree is still written.
#include "snapshot/AccessibleNode.h"

#include <initializer_list>
#include <new>
#include <string.h>

#include "util/GlobalText.h"

namespace
{
// The interface's own id, from its declaration: the 64-bit import library of oleacc answers the name
// IID_IAccessible with a call stub instead of the id.
const IID& AccessibleIid()
{
    return __uuidof(IAccessible);
}

// Objects that are reached through several windows would make the tree as deep as the program lets
// it: below this level children are not read.
const int c_nDeepestLevel = 64;

BOOL RoleHasWindow(DWORD dwRole)
{
    static const DWORD c_adwRoles[] = {2, 9, 11, 18, 22, 33, 41, 42, 43, 44, 45, 46, 47, 56, 57, 58, 62, 63};
    for (DWORD dw : c_adwRoles)
        if (dw == dwRole) return TRUE;
    return FALSE;
}

// UTF-16 to the ANSI code page, new[]; null for an absent or empty text.
LPSTR ToAnsi(BSTR bstr)
{
    if (!bstr || !bstr[0]) return nullptr;
    int cb = WideCharToMultiByte(CP_ACP, 0, bstr, -1, nullptr, 0, nullptr, nullptr);
    if (cb <= 0) return nullptr;
    LPSTR psz = new (std::nothrow) char[cb];
    if (psz && !WideCharToMultiByte(CP_ACP, 0, bstr, -1, psz, cb, nullptr, nullptr))
    {
        delete[] psz;
        return nullptr;
    }
    return psz;
}

LPSTR EscapedAnsi(BSTR bstr)
{
    LPSTR pszAnsi = ToAnsi(bstr);
    LPSTR pszEscaped = pszAnsi ? AccessibilityEscape(pszAnsi) : nullptr;
    delete[] pszAnsi;
    return pszEscaped;
}

// Appends to a text whose room was counted beforehand.
class TextBuilder
{
  public:
    explicit TextBuilder(LPSTR pszBuffer) : psz(pszBuffer) { psz[0] = '\0'; }
    void Add(LPCSTR pszPart)
    {
        size_t cch = strlen(pszPart);
        memcpy(psz, pszPart, cch + 1);
        psz += cch;
    }
    void Tabs(int n)
    {
        for (int i = 0; i < n; ++i)
            *psz++ = '\t';
        *psz = '\0';
    }

  private:
    LPSTR psz;
};
} // namespace

LPSTR AccessibilityEscape(LPCSTR psz)
{
    size_t cch = strlen(psz);
    LPSTR pszOut = new (std::nothrow) char[6 * cch + 6];
    if (!pszOut) return nullptr;
    LPSTR pszEnd = pszOut;
    for (LPCSTR pch = psz; *pch; pch = CharNextA(pch))
    {
        LPCSTR pszEntity = nullptr;
        switch (*pch)
        {
        case '\b': pszEntity = "&#x8;"; break;
        case '\t': pszEntity = "&#x9;"; break;
        case '#': pszEntity = "&#x23;"; break;
        case '&': pszEntity = "&amp;"; break;
        case '<': pszEntity = "&lt;"; break;
        case '>': pszEntity = "&gt;"; break;
        }
        if (pszEntity)
        {
            size_t cchEntity = strlen(pszEntity);
            memcpy(pszEnd, pszEntity, cchEntity);
            pszEnd += cchEntity;
            continue;
        }
        int cbChar = static_cast<int>(CharNextA(pch) - pch);
        WCHAR awch[4];
        char ach[8];
        int cwch = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, pch, cbChar, awch, 4);
        int cbUtf8 =
            cwch > 0 ? WideCharToMultiByte(CP_UTF8, 0, awch, cwch, ach, sizeof(ach), nullptr, nullptr) : 0;
        if (cbUtf8 <= 0)
        {
            delete[] pszOut;
            return nullptr;
        }
        BYTE b = static_cast<BYTE>(ach[0]);
        if (cbUtf8 == 1 && b < 0x20 && b != '\n' && b != '\r')
        {
            pszEnd += wsprintfA(pszEnd, "&#x%x;", b);
            continue;
        }
        memcpy(pszEnd, ach, cbUtf8);
        pszEnd += cbUtf8;
    }
    *pszEnd = '\0';
    return pszOut;
}

AccessibleNode::~AccessibleNode()
{
    SysFreeString(bstrName);
    SysFreeString(bstrDescription);
    SysFreeString(bstrValue);
    delete[] pszName;
    delete[] pszDescription;
    delete[] pszValue;
    delete[] pChildren;
    delete[] pszXml;
    if (pAccessible) pAccessible->Release();
}

BOOL AccessibleNode::Attach(HWND hwndWindow)
{
    IAccessible* pObject = nullptr;
    if (FAILED(AccessibleObjectFromWindow(hwndWindow, static_cast<DWORD>(OBJID_CLIENT), AccessibleIid(),
                                          reinterpret_cast<void**>(&pObject))) ||
        !pObject)
        return FALSE;
    BOOL bFilled = Fill(pObject, CHILDID_SELF);
    pObject->Release();
    return bFilled;
}

BOOL AccessibleNode::Fill(IAccessible* pObject, LONG idChildIn, int nLevel)
{
    idChild = idChildIn;
    VARIANT varChild;
    VariantInit(&varChild);
    varChild.vt = VT_I4;
    varChild.lVal = idChild;
    pObject->get_accName(varChild, &bstrName);
    pObject->get_accDescription(varChild, &bstrDescription);
    pObject->get_accValue(varChild, &bstrValue);
    VARIANT var;
    VariantInit(&var);
    if (SUCCEEDED(pObject->get_accRole(varChild, &var)) && var.vt == VT_I4)
        dwRole = static_cast<DWORD>(var.lVal);
    VariantClear(&var);
    if (SUCCEEDED(pObject->get_accState(varChild, &var)) && var.vt == VT_I4)
        dwState = static_cast<DWORD>(var.lVal);
    VariantClear(&var);
    if (idChild == CHILDID_SELF && RoleHasWindow(dwRole) &&
        FAILED(WindowFromAccessibleObject(pObject, &hwnd)))
        hwnd = nullptr;
    LONG x = 0, y = 0, cx = 0, cy = 0;
    if (SUCCEEDED(pObject->accLocation(&x, &y, &cx, &cy, varChild)))
    {
        left = x;
        top = y;
        right = x + cx;
        bottom = y + cy;
    }
    cChildren = 0;
    if (idChild == CHILDID_SELF && nLevel < c_nDeepestLevel) pObject->get_accChildCount(&cChildren);

    BOOL bResult = TRUE;
    VARIANT* aVar = nullptr;
    LONG cVar = cChildren >= 1 ? cChildren : 0;
    if (cChildren >= 1)
    {
        aVar = new (std::nothrow) VARIANT[cChildren];
        pChildren = aVar ? new (std::nothrow) AccessibleNode[cChildren] : nullptr;
        LONG cObtained = 0;
        for (LONG i = 0; aVar && i < cVar; ++i)
            VariantInit(&aVar[i]);
        if (!pChildren || FAILED(AccessibleChildren(pObject, 0, cChildren, aVar, &cObtained)) ||
            cObtained != cChildren)
        {
            bResult = FALSE;
            cChildren = 0;
        }
        for (LONG i = 0; bResult && i < cChildren; ++i)
        {
            if (aVar[i].vt == VT_DISPATCH)
            {
                IAccessible* pChild = nullptr;
                if (!aVar[i].pdispVal ||
                    FAILED(aVar[i].pdispVal->QueryInterface(AccessibleIid(),
                                                            reinterpret_cast<void**>(&pChild))) ||
                    !pChild)
                    continue;
                bResult = pChildren[i].Fill(pChild, CHILDID_SELF, nLevel + 1);
                pChild->Release();
            }
            // A child ID of 0 would be this object again.
            else if (aVar[i].vt == VT_I4 && aVar[i].lVal != CHILDID_SELF)
                bResult = pChildren[i].Fill(pObject, aVar[i].lVal, nLevel + 1);
        }
    }
    if (aVar)
    {
        for (LONG i = 0; i < cVar; ++i)
            VariantClear(&aVar[i]);
        delete[] aVar;
    }
    VariantClear(&varChild);
    if (!bResult) return FALSE;
    pAccessible = pObject;
    pAccessible->AddRef();
    return TRUE;
}

LPCSTR AccessibleNode::ToXml(int nDepth)
{
    if (pszXml) return pszXml;
    int k = nDepth + 1 > 50 ? 49 : nDepth;
    if (!pszName) pszName = EscapedAnsi(bstrName);
    if (!pszDescription) pszDescription = EscapedAnsi(bstrDescription);
    if (!pszValue) pszValue = EscapedAnsi(bstrValue);

    // The children's texts come first: their sizes count.
    size_t cbChildren = 0;
    for (LONG i = 0; i < cChildren; ++i)
    {
        LPCSTR pszChild = pChildren[i].ToXml(nDepth + 2);
        if (!pszChild) return nullptr;
        cbChildren += strlen(pszChild);
    }
    char szNumbers[256];
    char szRect[200];
    wsprintfA(szRect, "<RECT><left>%ld</left><top>%ld</top><right>%ld</right><bottom>%ld</bottom></RECT>\n",
              left, top, right, bottom);
    size_t cb = cbChildren + 2 * (strlen(szRect) + sizeof(szNumbers)) + 12 * static_cast<size_t>(k + 1) + 256;
    for (LPCSTR psz : {pszName, pszDescription, pszValue})
        if (psz) cb += strlen(psz);
    pszXml = new (std::nothrow) char[cb];
    if (!pszXml) return nullptr;

    TextBuilder text(pszXml);
    text.Tabs(k);
    text.Add("<Object>\n");
    const struct
    {
        LPCSTR pszTag;
        LPCSTR pszText;
    } aTexts[] = {{"Name", pszName}, {"Description", pszDescription}, {"Value", pszValue}};
    for (const auto& part : aTexts)
    {
        text.Add(" ");
        if (!part.pszText) continue;
        wsprintfA(szNumbers, "<%s>", part.pszTag);
        text.Tabs(k + 1);
        text.Add(szNumbers);
        text.Add(part.pszText);
        wsprintfA(szNumbers, "</%s>\n", part.pszTag);
        text.Add(szNumbers);
    }
    text.Add(" ");
    if (hwnd)
    {
        text.Tabs(k + 1);
        wsprintfA(szNumbers, "<hWnd>\n%lu</hWnd>",
                  static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(hwnd)));
        text.Add(szNumbers);
    }
    text.Add(" ");
    text.Tabs(k + 1);
    wsprintfA(szNumbers, "<Role>%lu</Role>\n", static_cast<unsigned long>(dwRole));
    text.Add(szNumbers);
    text.Add(" "); // the role text, never filled
    text.Add(" ");
    text.Tabs(k + 1);
    wsprintfA(szNumbers, "<state>%lu</state>\n", static_cast<unsigned long>(dwState));
    text.Add(szNumbers);
    text.Add(" ");
    text.Tabs(k + 1);
    text.Add(szRect);
    if (cChildren > 0)
    {
        text.Tabs(k + 1);
        text.Add("<children>\n");
        for (LONG i = 0; i < cChildren; ++i)
            text.Add(pChildren[i].pszXml);
        text.Tabs(k + 1);
        text.Add("</children>\n");
    }
    text.Tabs(k);
    text.Add("</Object>\n");
    return pszXml;
}

LPSTR AccessibilityText(HWND hwnd)
{
    AccessibleNode* pRoot = new (std::nothrow) AccessibleNode;
    if (!pRoot) return nullptr;
    LPSTR pszText = nullptr;
    if (pRoot->Attach(hwnd))
        if (LPCSTR pszXml = pRoot->ToXml(1)) pszText = GlobalTextCopy(pszXml);
    delete pRoot;
    return pszText;
}
