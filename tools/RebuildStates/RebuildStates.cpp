// RebuildStates — every state of a recording in full. A recording holds its first state in full and,
// usually, each later state as its differences from the one before; this rebuilds them all, or checks
// them against a recording of the same states written in full.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "StateTree.h"
#include "ZipReader.h"

namespace
{
const char c_szUsage[] =
    "usage: RebuildStates <recording.qmr | capture.xml> <output folder>\n"
    "         writes state_001.xml, state_002.xml, ... each state in full\n"
    "       RebuildStates --compare <recording.qmr | capture.xml | kept folder> <full.qmr | full.xml>\n"
    "         rebuilds the states of the first and compares them, element for element, with the\n"
    "         states of the second (recorded with every state in full); a kept folder holds the\n"
    "         temporary files a recording with KeepTempOutputFiles left: its first state\n"
    "         (*_CFcapture_01.xml) and its deltas (*_CFdeltaCompare_02.xml, ...)\n";

bool ReadAll(const std::string& path, std::string* pBytes)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    pBytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool EndsWithXml(const std::string& name)
{
    if (name.size() < 4) return false;
    std::string ext = name.substr(name.size() - 4);
    for (char& ch : ext)
        ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
    return ext == ".xml";
}

// The first state and the deltas that a recording kept in its temporary files, as one capture. Each kept
// name carries the first two digits of its state's number, so states past 99 cannot be told apart.
bool ReadKeptStates(const std::string& folder, std::string* pBytes, std::string* pError)
{
    std::map<int, std::string> states;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec))
    {
        std::string name = entry.path().filename().string();
        size_t ib = name.find("_CFdeltaCompare_");
        size_t cchTag = sizeof("_CFdeltaCompare_") - 1;
        if (ib == std::string::npos && (ib = name.find("_CFcapture_01.xml")) != std::string::npos)
            cchTag = sizeof("_CFcapture_") - 1;
        if (ib == std::string::npos || !EndsWithXml(name)) continue;
        int nState = atoi(name.c_str() + ib + cchTag);
        if (nState < 1 || states.count(nState))
        {
            *pError = folder + " holds more than one recording's files, or a state numbered past 99";
            return false;
        }
        if (!ReadAll(entry.path().string(), &states[nState]))
        {
            *pError = "cannot read " + entry.path().string();
            return false;
        }
    }
    if (ec || states.empty() || states.begin()->first != 1 || states.rbegin()->first != int(states.size()))
    {
        *pError = folder + " does not hold a first state and the deltas that follow it";
        return false;
    }
    *pBytes = "<SimCap>\n";
    for (const auto& state : states)
        *pBytes += state.second;
    *pBytes += "</SimCap>\n";
    return true;
}

// The capture XML of a recording file, the file itself when it is not an archive, or what a folder of
// kept temporary files holds.
std::unique_ptr<Element> LoadCapture(const std::string& path, std::string* pError)
{
    std::string bytes;
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec))
    {
        if (!ReadKeptStates(path, &bytes, pError)) return nullptr;
    }
    else if (!ReadAll(path, &bytes))
    {
        *pError = "cannot read " + path;
        return nullptr;
    }
    if (IsZip(bytes))
    {
        std::vector<ZipEntry> entries;
        if (!ReadZip(bytes, &entries, pError)) return nullptr;
        auto it = std::find_if(entries.begin(), entries.end(),
                               [](const ZipEntry& e) { return EndsWithXml(e.name); });
        if (it == entries.end())
        {
            *pError = path + " holds no capture file";
            return nullptr;
        }
        bytes = it->bytes;
    }
    std::unique_ptr<Element> root = ParseXml(bytes, pError);
    if (!root) *pError = path + ": " + *pError;
    return root;
}

bool LoadStates(const std::string& path, std::vector<std::unique_ptr<Element>>* pStates, std::string* pError)
{
    std::unique_ptr<Element> root = LoadCapture(path, pError);
    if (!root) return false;
    if (!RebuildStates(*root, pStates, pError))
    {
        *pError = path + ": " + *pError;
        return false;
    }
    return true;
}

int Rebuild(const std::string& input, const std::string& folder)
{
    std::vector<std::unique_ptr<Element>> states;
    std::string error;
    if (!LoadStates(input, &states, &error))
    {
        fprintf(stderr, "RebuildStates: %s\n", error.c_str());
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (size_t i = 0; i < states.size(); ++i)
    {
        char szName[32];
        snprintf(szName, sizeof(szName), "state_%03zu.xml", i + 1);
        std::string path = (std::filesystem::path(folder) / szName).string();
        std::ofstream out(path, std::ios::binary);
        out << "<?xml version=\"1.0\"?>\n" << Serialize(*states[i], 0);
        if (!out)
        {
            fprintf(stderr, "RebuildStates: cannot write %s\n", path.c_str());
            return 2;
        }
    }
    printf("%zu states written to %s\n", states.size(), folder.c_str());
    return 0;
}

int Compare(const std::string& deltas, const std::string& full)
{
    std::vector<std::unique_ptr<Element>> rebuilt, written;
    std::string error;
    if (!LoadStates(deltas, &rebuilt, &error) || !LoadStates(full, &written, &error))
    {
        fprintf(stderr, "RebuildStates: %s\n", error.c_str());
        return 2;
    }
    if (rebuilt.size() != written.size())
    {
        printf("%zu states rebuilt, %zu written in full\n", rebuilt.size(), written.size());
        return 1;
    }
    int nDiffering = 0;
    for (size_t i = 0; i < rebuilt.size(); ++i)
    {
        std::string difference = CompareStates(*rebuilt[i], *written[i]);
        if (difference.empty()) continue;
        printf("state %zu differs: %s\n", i + 1, difference.c_str());
        ++nDiffering;
    }
    printf("%zu states compared, %d differ\n", rebuilt.size(), nDiffering);
    return nDiffering ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--compare") return Compare(argv[2], argv[3]);
    if (argc == 3 && argv[1][0] != '-') return Rebuild(argv[1], argv[2]);
    fputs(c_szUsage, stderr);
    return 2;
}
