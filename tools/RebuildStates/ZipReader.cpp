// Reads the entries of a zip archive: the central directory names them, each local header leads to the
// stored or deflated bytes.
#include "ZipReader.h"

#include <zlib.h>

#include <cstdint>

namespace
{
uint32_t U16(const std::string& b, size_t i)
{
    return static_cast<uint8_t>(b[i]) | static_cast<uint8_t>(b[i + 1]) << 8;
}

uint32_t U32(const std::string& b, size_t i)
{
    return U16(b, i) | U16(b, i + 2) << 16;
}

bool Inflate(const std::string& in, size_t cbExpected, std::string* pOut)
{
    pOut->assign(cbExpected, '\0');
    z_stream zs = {};
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK) return false;
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    zs.avail_in = static_cast<uInt>(in.size());
    zs.next_out = reinterpret_cast<Bytef*>(pOut->empty() ? nullptr : &(*pOut)[0]);
    zs.avail_out = static_cast<uInt>(pOut->size());
    int nResult = inflate(&zs, Z_FINISH);
    bool bOk = nResult == Z_STREAM_END && zs.total_out == cbExpected;
    inflateEnd(&zs);
    return bOk;
}
} // namespace

bool IsZip(const std::string& bytes)
{
    return bytes.size() >= 4 && bytes.compare(0, 4, "PK\x03\x04", 4) == 0;
}

bool ReadZip(const std::string& archive, std::vector<ZipEntry>* pEntries, std::string* pError)
{
    const size_t cbEnd = 22;
    if (archive.size() < cbEnd)
    {
        *pError = "too short for a zip archive";
        return false;
    }
    // The end record stands last, before a comment of at most 64 KB.
    size_t ibEnd = archive.size() - cbEnd;
    while (U32(archive, ibEnd) != 0x06054b50)
    {
        if (ibEnd == 0 || archive.size() - ibEnd > cbEnd + 0xFFFF)
        {
            *pError = "no end of central directory";
            return false;
        }
        --ibEnd;
    }
    uint32_t cEntries = U16(archive, ibEnd + 10);
    size_t ib = U32(archive, ibEnd + 16);
    for (uint32_t i = 0; i < cEntries; ++i)
    {
        if (ib + 46 > archive.size() || U32(archive, ib) != 0x02014b50)
        {
            *pError = "damaged central directory";
            return false;
        }
        uint32_t nMethod = U16(archive, ib + 10);
        size_t cbPacked = U32(archive, ib + 20), cbSize = U32(archive, ib + 24);
        size_t cchName = U16(archive, ib + 28), cbExtra = U16(archive, ib + 30),
               cbComment = U16(archive, ib + 32);
        size_t ibLocal = U32(archive, ib + 42);
        if (ib + 46 + cchName > archive.size() || ibLocal + 30 > archive.size())
        {
            *pError = "damaged entry";
            return false;
        }
        ZipEntry entry;
        entry.name = archive.substr(ib + 46, cchName);
        size_t ibData = ibLocal + 30 + U16(archive, ibLocal + 26) + U16(archive, ibLocal + 28);
        if (ibData + cbPacked > archive.size())
        {
            *pError = "entry " + entry.name + " runs past the archive";
            return false;
        }
        std::string packed = archive.substr(ibData, cbPacked);
        if (nMethod == 0)
            entry.bytes = packed;
        else if (nMethod != 8 || !Inflate(packed, cbSize, &entry.bytes))
        {
            *pError = "entry " + entry.name + " cannot be unpacked";
            return false;
        }
        pEntries->push_back(entry);
        ib += 46 + cchName + cbExtra + cbComment;
    }
    return true;
}
