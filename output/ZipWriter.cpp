// A zip archive written file by file. Each local header is written before its data and rewritten in place
// once the CRC and sizes are known, so no data descriptors are needed and no file is held in memory.
#include "output/ZipWriter.h"

#include <zlib.h>

#include <new>

#include "util/Diag.h"
#include "util/PathUtil.h"

namespace
{
const DWORD c_cbChunk = 64 * 1024;
const DWORD c_dwMax32 = 0xFFFFFFFF;
const WORD c_wMax16 = 0xFFFF;

const DWORD c_dwLocalSignature = 0x04034B50;
const DWORD c_dwCentralSignature = 0x02014B50;
const DWORD c_dwZip64EndSignature = 0x06064B50;
const DWORD c_dwZip64LocatorSignature = 0x07064B50;
const DWORD c_dwEndSignature = 0x06054B50;

const WORD c_wVersionDeflate = 20;
const WORD c_wVersionZip64 = 45;
const WORD c_wMethodDeflate = 8;
const WORD c_wFlagUtf8Name = 0x0800;
const WORD c_wZip64ExtraId = 0x0001;
const DWORD c_cchNameMax = MAX_PATH * 3; // a MAX_PATH name in UTF-8

// Little-endian fields of one header, built in a fixed buffer.
class Record
{
  public:
    void Put16(WORD w)
    {
        ab[cb++] = static_cast<BYTE>(w);
        ab[cb++] = static_cast<BYTE>(w >> 8);
    }
    void Put32(DWORD dw)
    {
        Put16(LOWORD(dw));
        Put16(HIWORD(dw));
    }
    void Put64(ULONGLONG ull)
    {
        Put32(static_cast<DWORD>(ull));
        Put32(static_cast<DWORD>(ull >> 32));
    }
    const BYTE* Data() const { return ab; }
    DWORD Size() const { return cb; }

  private:
    BYTE ab[64];
    DWORD cb = 0;
};

DWORD Clamp32(ULONGLONG ull, BOOL bMarker)
{
    return bMarker ? c_dwMax32 : static_cast<DWORD>(ull);
}

// The most raw deflate can make of cb bytes (zlib's own bound, without a wrapper).
ULONGLONG DeflateBound(ULONGLONG cb)
{
    return cb + (cb >> 12) + (cb >> 14) + (cb >> 25) + 7;
}

class FindHandle
{
  public:
    explicit FindHandle(HANDLE hIn) : h(hIn) {}
    ~FindHandle()
    {
        if (h != INVALID_HANDLE_VALUE) FindClose(h);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    BOOL IsValid() const { return h != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return h; }

  private:
    HANDLE h;
};

// One raw deflate stream per file; ended whatever way the file's zipping ends.
class DeflateStream
{
  public:
    DeflateStream()
    {
        zs.zalloc = Z_NULL;
        zs.zfree = Z_NULL;
        zs.opaque = Z_NULL;
        bReady =
            deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK;
    }
    ~DeflateStream()
    {
        if (bReady) deflateEnd(&zs);
    }
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    BOOL IsReady() const { return bReady; }
    z_stream* Get() { return &zs; }

  private:
    z_stream zs = {};
    BOOL bReady = FALSE;
};

// The name as stored: unchanged when it is plain ASCII, otherwise UTF-8 with the flag that says so.
BOOL StoredName(LPCSTR pszName, LPSTR pszStored, DWORD cchStored, WORD* pwFlags)
{
    BOOL bAscii = TRUE;
    for (LPCSTR pch = pszName; *pch; pch++)
    {
        if (static_cast<BYTE>(*pch) >= 0x80) bAscii = FALSE;
    }
    if (bAscii)
    {
        *pwFlags = 0;
        return lstrlenA(pszName) < static_cast<int>(cchStored) && lstrcpynA(pszStored, pszName, cchStored);
    }
    WCHAR wszName[MAX_PATH];
    if (!MultiByteToWideChar(CP_ACP, 0, pszName, -1, wszName, MAX_PATH)) return FALSE;
    *pwFlags = c_wFlagUtf8Name;
    return WideCharToMultiByte(CP_UTF8, 0, wszName, -1, pszStored, cchStored, nullptr, nullptr) != 0;
}

void DosStamp(const FILETIME& ftWrite, WORD* pwDate, WORD* pwTime)
{
    FILETIME ftLocal;
    if (!FileTimeToLocalFileTime(&ftWrite, &ftLocal) || !FileTimeToDosDateTime(&ftLocal, pwDate, pwTime))
    {
        // Before 1980 or beyond 2107: the earliest stamp the format has.
        *pwDate = (1 << 5) | 1;
        *pwTime = 0;
    }
}
} // namespace

struct ZipWriter::Entry
{
    char szName[c_cchNameMax];
    WORD cbName;
    WORD wFlags;
    WORD wDate;
    WORD wTime;
    DWORD dwAttributes;
    DWORD dwCrc;
    ULONGLONG ullSize;
    ULONGLONG ullCompressed;
    ULONGLONG ullOffset;
    BOOL bLocalZip64; // the local header carries both sizes in a Zip64 field
};

ZipByteBuffer::~ZipByteBuffer()
{
    if (pb) HeapFree(GetProcessHeap(), 0, pb);
}

BOOL ZipByteBuffer::Append(const void* pv, DWORD cbMore)
{
    if (cbMore > c_dwMax32 / 2 - cb) return FALSE;
    if (cb + cbMore > cbAllocated)
    {
        DWORD cbNew = cbAllocated ? cbAllocated : 4096;
        while (cbNew < cb + cbMore)
            cbNew *= 2;
        void* pvNew =
            pb ? HeapReAlloc(GetProcessHeap(), 0, pb, cbNew) : HeapAlloc(GetProcessHeap(), 0, cbNew);
        if (!pvNew) return FALSE;
        pb = static_cast<BYTE*>(pvNew);
        cbAllocated = cbNew;
    }
    CopyMemory(pb + cb, pv, cbMore);
    cb += cbMore;
    return TRUE;
}

ZipWriter::~ZipWriter()
{
    Abandon();
}

void ZipWriter::Abandon()
{
    archive.Reset();
    if (szTemp[0]) DeleteFileA(szTemp);
    szTemp[0] = '\0';
    central.Clear();
    ullPosition = 0;
    cEntries = 0;
    cbPending = 0;
}

short ZipWriter::Create(LPCSTR pszArchive)
{
    Abandon();
    if (!pbIn)
    {
        pbIn.reset(new (std::nothrow) BYTE[c_cbChunk]);
        pbOut.reset(new (std::nothrow) BYTE[c_cbChunk]);
        pbWrite.reset(new (std::nothrow) BYTE[c_cbChunk]);
    }
    if (!pbIn || !pbOut || !pbWrite) return ZIP_NO_MEMORY;

    LPSTR pszFilePart = nullptr;
    DWORD cch = GetFullPathNameA(pszArchive, MAX_PATH, szTarget, &pszFilePart);
    if (!cch || cch >= MAX_PATH || !pszFilePart) return ZIP_CANNOT_CREATE;
    // The temporary file lies in the target's folder, so the final move is a rename on one volume.
    char szFolder[MAX_PATH];
    lstrcpynA(szFolder, szTarget, static_cast<int>(pszFilePart - szTarget) + 1);
    if (!GetTempFileNameA(szFolder, "zip", 0, szTemp))
    {
        szTemp[0] = '\0';
        return ZIP_CANNOT_CREATE;
    }
    archive.Reset(
        CreateFileA(szTemp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!archive.IsValid())
    {
        Abandon();
        return ZIP_CANNOT_CREATE;
    }
    return ZIP_OK;
}

short ZipWriter::AddFile(LPCSTR pszPath, LPCSTR pszName)
{
    if (!archive.IsValid()) return ZIP_WRITE_FAILED;
    Entry entry = {};
    if (!StoredName(pszName, entry.szName, sizeof(entry.szName), &entry.wFlags)) return ZIP_READ_FAILED;
    entry.cbName = static_cast<WORD>(lstrlenA(entry.szName));

    KernelHandle<-1> source(CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!source.IsValid() || !GetFileInformationByHandle(source.Get(), &info)) return ZIP_READ_FAILED;
    entry.dwAttributes = info.dwFileAttributes;
    DosStamp(info.ftLastWriteTime, &entry.wDate, &entry.wTime);
    ULONGLONG ullExpected = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    // The local header is written before the data: its form is fixed by the size the file has now.
    entry.bLocalZip64 = (dwOptions & ZIP_FORCE_ZIP64) || DeflateBound(ullExpected) >= c_dwMax32;
    entry.ullOffset = ullPosition;

    if (!WriteLocalHeader(entry)) return ZIP_WRITE_FAILED;
    short nResult = DeflateInto(source.Get(), entry);
    if (nResult != ZIP_OK) return nResult;
    if (!entry.bLocalZip64 && (entry.ullSize >= c_dwMax32 || entry.ullCompressed >= c_dwMax32))
        return ZIP_FILE_GREW;

    ULONGLONG ullEnd = ullPosition;
    if (!FlushWrites() || !SeekTo(entry.ullOffset) || !WriteLocalHeader(entry) || !FlushWrites() ||
        !SeekTo(ullEnd))
        return ZIP_WRITE_FAILED;
    if (!AppendCentralRecord(entry)) return ZIP_NO_MEMORY;
    cEntries++;
    return ZIP_OK;
}

short ZipWriter::DeflateInto(HANDLE hSource, Entry& entry)
{
    DeflateStream stream;
    if (!stream.IsReady()) return ZIP_NO_MEMORY;
    z_stream* pzs = stream.Get();
    uLong ulCrc = crc32(0L, Z_NULL, 0);
    int nFlush = Z_NO_FLUSH;
    while (nFlush != Z_FINISH)
    {
        DWORD cbRead = 0;
        if (!ReadFile(hSource, pbIn.get(), c_cbChunk, &cbRead, nullptr)) return ZIP_READ_FAILED;
        ulCrc = crc32(ulCrc, pbIn.get(), cbRead);
        entry.ullSize += cbRead;
        nFlush = cbRead ? Z_NO_FLUSH : Z_FINISH;
        pzs->next_in = pbIn.get();
        pzs->avail_in = cbRead;
        // Until deflate leaves room in the output, it has more to give for this input.
        do
        {
            pzs->next_out = pbOut.get();
            pzs->avail_out = c_cbChunk;
            if (deflate(pzs, nFlush) == Z_STREAM_ERROR) return ZIP_NO_MEMORY;
            DWORD cbDeflated = c_cbChunk - pzs->avail_out;
            if (!Write(pbOut.get(), cbDeflated)) return ZIP_WRITE_FAILED;
            entry.ullCompressed += cbDeflated;
        } while (pzs->avail_out == 0);
    }
    entry.dwCrc = static_cast<DWORD>(ulCrc);
    return ZIP_OK;
}

BOOL ZipWriter::WriteLocalHeader(const Entry& entry)
{
    Record header;
    header.Put32(c_dwLocalSignature);
    header.Put16(entry.bLocalZip64 ? c_wVersionZip64 : c_wVersionDeflate);
    header.Put16(entry.wFlags);
    header.Put16(c_wMethodDeflate);
    header.Put16(entry.wTime);
    header.Put16(entry.wDate);
    header.Put32(entry.dwCrc);
    header.Put32(Clamp32(entry.ullCompressed, entry.bLocalZip64));
    header.Put32(Clamp32(entry.ullSize, entry.bLocalZip64));
    header.Put16(entry.cbName);
    header.Put16(entry.bLocalZip64 ? 20 : 0);
    Record extra;
    if (entry.bLocalZip64)
    {
        extra.Put16(c_wZip64ExtraId);
        extra.Put16(16);
        extra.Put64(entry.ullSize);
        extra.Put64(entry.ullCompressed);
    }
    return Write(header.Data(), header.Size()) && Write(entry.szName, entry.cbName) &&
           Write(extra.Data(), extra.Size());
}

BOOL ZipWriter::AppendCentralRecord(const Entry& entry)
{
    BOOL bForce = (dwOptions & ZIP_FORCE_ZIP64) != 0;
    BOOL bSize64 = bForce || entry.ullSize >= c_dwMax32;
    BOOL bCompressed64 = bForce || entry.ullCompressed >= c_dwMax32;
    BOOL bOffset64 = bForce || entry.ullOffset >= c_dwMax32;
    // The Zip64 field holds exactly the values whose classic field carries the marker, in this order.
    Record extra;
    if (bSize64 || bCompressed64 || bOffset64)
    {
        extra.Put16(c_wZip64ExtraId);
        extra.Put16(static_cast<WORD>(8 * (bSize64 + bCompressed64 + bOffset64)));
        if (bSize64) extra.Put64(entry.ullSize);
        if (bCompressed64) extra.Put64(entry.ullCompressed);
        if (bOffset64) extra.Put64(entry.ullOffset);
    }
    Record header;
    header.Put32(c_dwCentralSignature);
    header.Put16(c_wVersionZip64); // made by: MS-DOS attributes, the highest version this writer uses
    header.Put16(extra.Size() ? c_wVersionZip64 : c_wVersionDeflate);
    header.Put16(entry.wFlags);
    header.Put16(c_wMethodDeflate);
    header.Put16(entry.wTime);
    header.Put16(entry.wDate);
    header.Put32(entry.dwCrc);
    header.Put32(Clamp32(entry.ullCompressed, bCompressed64));
    header.Put32(Clamp32(entry.ullSize, bSize64));
    header.Put16(entry.cbName);
    header.Put16(static_cast<WORD>(extra.Size()));
    header.Put16(0); // comment
    header.Put16(0); // disk
    header.Put16(0); // internal attributes
    header.Put32(entry.dwAttributes & 0xFF);
    header.Put32(Clamp32(entry.ullOffset, bOffset64));
    return central.Append(header.Data(), header.Size()) && central.Append(entry.szName, entry.cbName) &&
           central.Append(extra.Data(), extra.Size());
}

short ZipWriter::Commit()
{
    if (!archive.IsValid()) return ZIP_WRITE_FAILED;
    if (!WriteEndRecords() || !FlushWrites())
    {
        Abandon();
        return ZIP_WRITE_FAILED;
    }
    archive.Reset();
    if (!MoveFileExA(szTemp, szTarget, MOVEFILE_REPLACE_EXISTING))
    {
        Abandon();
        return ZIP_MOVE_FAILED;
    }
    szTemp[0] = '\0';
    Abandon();
    return ZIP_OK;
}

BOOL ZipWriter::WriteEndRecords()
{
    BOOL bForce = (dwOptions & ZIP_FORCE_ZIP64) != 0;
    ULONGLONG ullCentralOffset = ullPosition;
    ULONGLONG cbCentral = central.Size();
    if (!Write(central.Data(), central.Size())) return FALSE;

    // 0xFFFF entries is itself the marker, so that count already needs the Zip64 record.
    BOOL bEntries64 = bForce || cEntries >= c_wMax16;
    BOOL bSize64 = bForce || cbCentral >= c_dwMax32;
    BOOL bOffset64 = bForce || ullCentralOffset >= c_dwMax32;
    if (bEntries64 || bSize64 || bOffset64)
    {
        ULONGLONG ullZip64End = ullPosition;
        Record end64;
        end64.Put32(c_dwZip64EndSignature);
        end64.Put64(44); // the size of the rest of this record
        end64.Put16(c_wVersionZip64);
        end64.Put16(c_wVersionZip64);
        end64.Put32(0); // this disk
        end64.Put32(0); // the disk where the central directory starts
        end64.Put64(cEntries);
        end64.Put64(cEntries);
        end64.Put64(cbCentral);
        end64.Put64(ullCentralOffset);
        Record locator;
        locator.Put32(c_dwZip64LocatorSignature);
        locator.Put32(0);
        locator.Put64(ullZip64End);
        locator.Put32(1); // disks in all
        if (!Write(end64.Data(), end64.Size()) || !Write(locator.Data(), locator.Size())) return FALSE;
    }
    Record end;
    end.Put32(c_dwEndSignature);
    end.Put16(0);
    end.Put16(0);
    WORD wEntries = bEntries64 ? c_wMax16 : static_cast<WORD>(cEntries);
    end.Put16(wEntries);
    end.Put16(wEntries);
    end.Put32(Clamp32(cbCentral, bSize64));
    end.Put32(Clamp32(ullCentralOffset, bOffset64));
    end.Put16(0); // comment
    return Write(end.Data(), end.Size());
}

BOOL ZipWriter::Write(const void* pv, DWORD cb)
{
    ullPosition += cb;
    if (cbPending + cb > c_cbChunk && !FlushWrites()) return FALSE;
    if (cb >= c_cbChunk)
    {
        DWORD cbWritten = 0;
        return WriteFile(archive.Get(), pv, cb, &cbWritten, nullptr) && cbWritten == cb;
    }
    CopyMemory(pbWrite.get() + cbPending, pv, cb);
    cbPending += cb;
    return TRUE;
}

BOOL ZipWriter::FlushWrites()
{
    if (!cbPending) return TRUE;
    DWORD cbWritten = 0;
    BOOL bOk =
        WriteFile(archive.Get(), pbWrite.get(), cbPending, &cbWritten, nullptr) && cbWritten == cbPending;
    cbPending = 0;
    return bOk;
}

BOOL ZipWriter::SeekTo(ULONGLONG ullTo)
{
    LARGE_INTEGER li;
    li.QuadPart = static_cast<LONGLONG>(ullTo);
    if (!SetFilePointerEx(archive.Get(), li, nullptr, FILE_BEGIN)) return FALSE;
    ullPosition = ullTo;
    return TRUE;
}

short ZipFolderItems(LPCSTR pszArchive, LPCSTR pszItems, DWORD dwOptions)
{
    // The folder part, separator included, is put before each name found.
    char szPath[MAX_PATH];
    int cchFolder = static_cast<int>(FindFileName(pszItems) - pszItems);
    if (cchFolder >= MAX_PATH) return ZIP_NO_FILES;
    lstrcpynA(szPath, pszItems, cchFolder + 1);

    WIN32_FIND_DATAA fd;
    FindHandle find(FindFirstFileA(pszItems, &fd));
    if (!find.IsValid())
    {
        DebugOutF("ZipFolder: no files at <%s> [%lu].\n", pszItems, GetLastError());
        return ZIP_NO_FILES;
    }
    ZipWriter writer(dwOptions);
    short nResult = writer.Create(pszArchive);
    if (nResult != ZIP_OK)
    {
        DebugOutF("ZipFolder: cannot create <%s> (%d) [%lu].\n", pszArchive, nResult, GetLastError());
        return nResult;
    }
    UINT cAdded = 0;
    do
    {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (cchFolder + lstrlenA(fd.cFileName) >= MAX_PATH) return ZIP_READ_FAILED;
        lstrcpyA(szPath + cchFolder, fd.cFileName);
        // An archive written into the folder it packs must not pack itself.
        char szFull[MAX_PATH];
        if (GetFullPathNameA(szPath, MAX_PATH, szFull, nullptr) &&
            (!lstrcmpiA(szFull, writer.TempPath()) || !lstrcmpiA(szFull, writer.TargetPath())))
            continue;
        nResult = writer.AddFile(szPath, fd.cFileName);
        if (nResult != ZIP_OK)
        {
            DebugOutF("ZipFolder: cannot add <%s> (%d) [%lu].\n", szPath, nResult, GetLastError());
            return nResult;
        }
        cAdded++;
    } while (FindNextFileA(find.Get(), &fd));
    if (GetLastError() != ERROR_NO_MORE_FILES) return ZIP_READ_FAILED;
    if (!cAdded) return ZIP_NO_FILES;
    nResult = writer.Commit();
    if (nResult != ZIP_OK)
        DebugOutF("ZipFolder: cannot finish <%s> (%d) [%lu].\n", pszArchive, nResult, GetLastError());
    return nResult;
}
