// hooks/InclExclArray.h — sorted sets of processes, windows, messages and application names that take
// part in a recording or stay out of it.
#pragma once
#include <windows.h>

#include "util/Diag.h"
#include "util/DynamicArray.h"

// Shared by both set kinds; TArray is NUMBER_ARRAY or STRING_ARRAY.
template <class TArray> class InclExclSet : public TArray
{
  public:
    typedef typename TArray::Value Value;

    // The array is kept sorted, so the walk can stop at the first element greater than the value.
    BOOL Find(Value v) const { return IndexOf(v) >= 0; }

    // TRUE when the value is gone afterwards, whether or not it was there.
    BOOL Remove(Value v)
    {
        int i = IndexOf(v);
        if (i < 0) return TRUE;
        return this->RemoveAt(i);
    }

    BOOL RemoveAll() { return this->Clear(); }

  protected:
    BOOL Add(Value v, LPCSTR pszFailure)
    {
        if (Find(v)) return TRUE;
        if (!this->AppendSorted(TArray::ElementOf(v)))
        {
            DebugOut(pszFailure);
            return FALSE;
        }
        return TRUE;
    }

  private:
    int IndexOf(const Value& v) const
    {
        const void* pValue = TArray::ElementOf(v);
        for (int i = 0; i < this->Count(); i++)
        {
            int nOrder = this->Compare(this->ElementPtr(i), pValue);
            if (nOrder == 0) return i;
            if (nOrder > 0) break;
        }
        return -1;
    }
};

template <class TArray> class EXCLUDE_ARRAY : public InclExclSet<TArray>
{
  public:
    typedef typename TArray::Value Value;
    // Adds the value unless it is already listed.
    BOOL Exclude(Value v) { return this->Add(v, "EXCLUDE_ARRAY::Exclude(): Error adding Value\n"); }
};

template <class TArray> class INCLUDE_ARRAY : public InclExclSet<TArray>
{
  public:
    typedef typename TArray::Value Value;
    // Adds the value unless it is already listed.
    BOOL Include(Value v) { return this->Add(v, "INCLUDE_ARRAY::Include(): Error adding Value\n"); }
};
