// bench/ZipWriterBench.cpp — the zip writer packing a session-like folder (a capture file of events and a
// screenshot) against zlib's own deflate of the same bytes, from memory into memory, with the writer's
// settings, in the same run. Prints both times and the writer's throughput as a share of zlib's.
#include <windows.h>

#include <stdio.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "output/ZipWriter.h"

namespace
{
volatile uLong g_ulCrcSink;

double Seconds(const LARGE_INTEGER& liStart, const LARGE_INTEGER& liEnd)
{
    LARGE_INTEGER liFrequency;
    QueryPerformanceFrequency(&liFrequency);
    return static_cast<double>(liEnd.QuadPart - liStart.QuadPart) / static_cast<double>(liFrequency.QuadPart);
}

// About 8 MB of event XML, as the writer thread leaves it.
std::string CaptureText()
{
    std::string text = "<?xml version=\"1.0\"?>\n<SimCap>\n";
    char sz[512];
    for (unsigned i = 0; text.size() < 8000000; ++i)
    {
        wsprintfA(sz,
                  "\t<Events>\n\t\t<Event StateID=\"%u\" EventType=\"SysMsgEvent\">\n\t\t\t<ID>%u</ID>\n"
                  "\t\t\t<nCode>0</nCode>\t<!-- MSGF_DIALOGBOX -->\n\t\t\t<hWnd>%u</hWnd>\n"
                  "\t\t\t<message>%u</message>\t<!-- WM_KEYDOWN -->\n\t\t\t<time>%u</time>\n"
                  "\t\t</Event>\n\t</Events>\n",
                  i / 50 + 1, i, 0x10000 + (i * 7919) % 4096, 256 + i % 3, 1000000 + i * 37);
        text += sz;
    }
    return text + "</SimCap>\n";
}

// A 1280 x 1024 screenshot at 24 bits: flat areas, gradients and some noise, as a desktop has.
std::string Screenshot()
{
    const int cx = 1280, cy = 1024;
    std::string bmp(54 + cx * cy * 3, '\0');
    unsigned nNoise = 12345;
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
        {
            BYTE* pb = reinterpret_cast<BYTE*>(&bmp[54 + (y * cx + x) * 3]);
            nNoise = nNoise * 1103515245 + 12345;
            bool bWindow = x > 200 && x < 900 && y > 150 && y < 700;
            pb[0] = bWindow ? 0xF0 : static_cast<BYTE>(x / 5);
            pb[1] = bWindow ? 0xF0 : static_cast<BYTE>(y / 4);
            pb[2] = (y % 40 < 14 && bWindow) ? static_cast<BYTE>(nNoise >> 24) : 0x80;
        }
    return bmp;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD cb = 0;
    bool bOk = h != INVALID_HANDLE_VALUE &&
               WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &cb, nullptr) &&
               cb == bytes.size();
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    return bOk;
}

// zlib alone: the writer's stream settings and chunk size, input and output in memory, and the CRC the
// writer computes too.
size_t DeflateInMemory(const std::string& bytes, std::vector<BYTE>& out)
{
    z_stream zs = {};
    deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    const size_t c_cbChunk = 64 * 1024;
    size_t cbOut = 0;
    uLong ulCrc = crc32(0L, Z_NULL, 0);
    for (size_t ib = 0;; ib += c_cbChunk)
    {
        size_t cb = ib < bytes.size() ? std::min(c_cbChunk, bytes.size() - ib) : 0;
        const Bytef* pb = reinterpret_cast<const Bytef*>(bytes.data()) + (cb ? ib : 0);
        ulCrc = crc32(ulCrc, pb, static_cast<uInt>(cb));
        zs.next_in = const_cast<Bytef*>(pb);
        zs.avail_in = static_cast<uInt>(cb);
        int nFlush = cb ? Z_NO_FLUSH : Z_FINISH;
        do
        {
            if (out.size() < cbOut + c_cbChunk) out.resize(cbOut + c_cbChunk);
            zs.next_out = out.data() + cbOut;
            zs.avail_out = static_cast<uInt>(c_cbChunk);
            deflate(&zs, nFlush);
            cbOut += c_cbChunk - zs.avail_out;
        } while (zs.avail_out == 0);
        if (!cb) break;
    }
    deflateEnd(&zs);
    g_ulCrcSink ^= ulCrc; // kept, so the CRC is not optimised away
    return cbOut;
}
} // namespace

int main()
{
    char szTemp[MAX_PATH + 1];
    GetTempPathA(sizeof(szTemp), szTemp);
    std::string folder = std::string(szTemp) + "zipbench";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string files[] = {CaptureText(), Screenshot()};
    const char* const names[] = {"\\capture.xml", "\\SimCap_001.bmp"};
    size_t cbInput = 0;
    for (int i = 0; i < 2; ++i)
    {
        if (!WriteFileBytes(folder + names[i], files[i])) return 1;
        cbInput += files[i].size();
    }
    std::string archive = std::string(szTemp) + "zipbench.qmr";

    double dWriter = 1e9, dZlib = 1e9;
    LARGE_INTEGER liStart, liEnd;
    for (int nRun = 0; nRun < 3; nRun++)
    {
        QueryPerformanceCounter(&liStart);
        short nResult = ZipFolderItems(archive.c_str(), (folder + "\\*.*").c_str(), 0);
        QueryPerformanceCounter(&liEnd);
        if (nResult != ZIP_OK) return 2;
        dWriter = std::min(dWriter, Seconds(liStart, liEnd));

        std::vector<BYTE> out;
        size_t cbDeflated = 0;
        QueryPerformanceCounter(&liStart);
        for (const std::string& bytes : files)
            cbDeflated += DeflateInMemory(bytes, out);
        QueryPerformanceCounter(&liEnd);
        if (cbDeflated == 0) return 3;
        dZlib = std::min(dZlib, Seconds(liStart, liEnd));
    }
    printf("%u bytes in two files\nzip writer %.4f s (%.1f MB/s)\nzlib       %.4f s (%.1f MB/s)\n"
           "writer throughput / zlib throughput  %.2f\n",
           static_cast<unsigned>(cbInput), dWriter, cbInput / dWriter / 1e6, dZlib, cbInput / dZlib / 1e6,
           dZlib / dWriter);
    for (const char* pszName : names)
        DeleteFileA((folder + pszName).c_str());
    RemoveDirectoryA(folder.c_str());
    DeleteFileA(archive.c_str());
    return 0;
}
