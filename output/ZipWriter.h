// output/ZipWriter.h — the recording file is a zip archive of the session folder. Files are streamed in
// one at a time (raw deflate, CRC-32), and Zip64 records appear only where a size, an offset or the entry
// count does not fit the classic fields. The archive grows under a temporary name beside its path and
// takes that path only when it is complete, so a failure never leaves a partial archive behind.
#pragma once
#include <windows.h>

#include <memory>

#include "util/Handles.h"

// Results of the zip operations: 0 is success. The recorder only tells zero from nonzero and shows the
// number in a debug line; -1 keeps the meaning "no archive could be started".
enum : short
{
    ZIP_OK = 0,
    ZIP_CANNOT_CREATE = -1, // the temporary archive beside the path could not be created
    ZIP_NO_FILES = 1,       // the item list's folder is missing or holds no file
    ZIP_READ_FAILED = 2,    // a file of the item list could not be opened or read
    ZIP_WRITE_FAILED = 3,   // writing the archive failed (disk full, ...)
    ZIP_NO_MEMORY = 4,      // buffers or the deflate stream could not be set up
    ZIP_FILE_GREW = 5,      // a file outgrew the header room chosen from its size at opening
    ZIP_MOVE_FAILED = 6,    // the finished archive could not replace the file at its path
};

// Options of a ZipWriter.
enum : DWORD
{
    // Zip64 fields in every header and a Zip64 end record, needed or not. Small archives then take the
    // same path as huge ones, so a test can have an outside reader check it in seconds.
    ZIP_FORCE_ZIP64 = 0x1,
};

// A growable block of bytes on the process heap; the central directory collects here.
class ZipByteBuffer
{
  public:
    ZipByteBuffer() = default;
    ~ZipByteBuffer();
    ZipByteBuffer(const ZipByteBuffer&) = delete;
    ZipByteBuffer& operator=(const ZipByteBuffer&) = delete;

    BOOL Append(const void* pv, DWORD cb);
    void Clear() { cb = 0; }
    const BYTE* Data() const { return pb; }
    DWORD Size() const { return cb; }

  private:
    BYTE* pb = nullptr;
    DWORD cb = 0;
    DWORD cbAllocated = 0;
};

class ZipWriter
{
  public:
    explicit ZipWriter(DWORD dwOptions = 0) : dwOptions(dwOptions) {}
    // An archive that was not committed is deleted.
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts the archive that is to end up at pszArchive; the file there stays untouched until Commit.
    short Create(LPCSTR pszArchive);
    // Streams the file at pszPath into the archive under pszName (ANSI; stored as UTF-8 when it is not
    // plain ASCII).
    short AddFile(LPCSTR pszPath, LPCSTR pszName);
    // Writes the central directory and moves the archive to its path, replacing any file there.
    short Commit();
    // Deletes the unfinished archive; the writer can then create another one.
    void Abandon();

    // While an archive is under way: its temporary file and the full path it is to take.
    LPCSTR TempPath() const { return szTemp; }
    LPCSTR TargetPath() const { return szTarget; }

  private:
    struct Entry;
    short DeflateInto(HANDLE hSource, Entry& entry);
    BOOL WriteLocalHeader(const Entry& entry);
    BOOL AppendCentralRecord(const Entry& entry);
    BOOL WriteEndRecords();
    BOOL Write(const void* pv, DWORD cb);
    BOOL FlushWrites();
    BOOL SeekTo(ULONGLONG ullPosition);

    DWORD dwOptions;
    KernelHandle<-1> archive;
    char szTemp[MAX_PATH] = "";
    char szTarget[MAX_PATH] = "";
    ULONGLONG ullPosition = 0; // where the next byte lands, counting the bytes still buffered
    ULONGLONG cEntries = 0;
    ZipByteBuffer central;
    std::unique_ptr<BYTE[]> pbIn;
    std::unique_ptr<BYTE[]> pbOut;
    std::unique_ptr<BYTE[]> pbWrite;
    DWORD cbPending = 0; // bytes of pbWrite not yet written to the archive
};

// Zips every regular file matched by the item list pszItems ("folder\pattern"; sub-folders are never
// entered and names are stored without the folder part) into pszArchive, replacing any file there.
short ZipFolderItems(LPCSTR pszArchive, LPCSTR pszItems, DWORD dwOptions);
