// util/DynamicArray.h — growable arrays of fixed-size elements in one locked, moveable global block.
#pragma once
#include <windows.h>

// What an element is, how it is made, destroyed and compared is decided by the subclass.
// The array has no virtual destructor by design: subclasses destroy their elements in their own
// destructor through DestroyAll(); the base destructor, where the element operations are gone, only
// releases the storage.
class DYNAMIC_ARRAY
{
  public:
    DYNAMIC_ARRAY() = default;
    DYNAMIC_ARRAY(const DYNAMIC_ARRAY&) = delete;
    DYNAMIC_ARRAY& operator=(const DYNAMIC_ARRAY&) = delete;
    ~DYNAMIC_ARRAY() { FreeStorage(); }

    virtual UINT ElementSize() const = 0;
    virtual BOOL DestroyElement(void* pElement);
    virtual BOOL ConstructElement(void* pElement, const void* pSource);
    virtual int Compare(const void* pA, const void* pB) const = 0;

    BOOL Grow(int n);
    BOOL Shrink(int n);
    BOOL Clear();
    void* ElementPtr(int i) const { return data + i * static_cast<int>(ElementSize()); }
    BOOL Get(int i, void* pDestination) const;
    BOOL Set(int i, const void* pSource);
    BOOL RemoveAt(int i);
    BOOL Sort();
    BOOL SetAndSort(int i, const void* pSource);
    BOOL AppendSorted(const void* pSource);

    int Count() const { return count; }
    const BYTE* Data() const { return data; }

  protected:
    // Subclasses call this from their destructors, while their element operations still exist.
    void DestroyAll();

  private:
    BOOL Reallocate(int nCount);
    void FreeStorage();

    int count = 0;
    BYTE* data = nullptr;
    HGLOBAL hData = nullptr;
};

// Unsigned 32-bit values, compared as unsigned.
class NUMBER_ARRAY : public DYNAMIC_ARRAY
{
  public:
    typedef DWORD Value;
    ~NUMBER_ARRAY() { DestroyAll(); }
    UINT ElementSize() const override { return sizeof(DWORD); }
    int Compare(const void* pA, const void* pB) const override;
    DWORD At(int i) const { return *static_cast<const DWORD*>(ElementPtr(i)); }
    static const void* ElementOf(const Value& v) { return &v; }
};

// Pointers to zero-terminated texts, each in its own global block; compared with lstrcmpiA.
class STRING_ARRAY : public DYNAMIC_ARRAY
{
  public:
    typedef LPCSTR Value;
    ~STRING_ARRAY() { DestroyAll(); }
    UINT ElementSize() const override { return sizeof(LPSTR); }
    BOOL DestroyElement(void* pElement) override;
    BOOL ConstructElement(void* pElement, const void* pSource) override;
    int Compare(const void* pA, const void* pB) const override;
    LPCSTR At(int i) const { return *static_cast<LPSTR const*>(ElementPtr(i)); }
    static const void* ElementOf(const Value& v) { return &v; }
};
