// tools/RebuildStates/ZipReader.h — the entries of a recording file (a zip archive).
#pragma once
#include <string>
#include <vector>

struct ZipEntry
{
    std::string name;
    std::string bytes;
};

bool IsZip(const std::string& bytes);
// Every entry, unpacked; false with a reason when the archive is damaged.
bool ReadZip(const std::string& archive, std::vector<ZipEntry>* pEntries, std::string* pError);
