// tests/support/ClassLists.h — the control class lists written into the configuration file beside the
// running program for one test or benchmark, and taken out again.
#pragma once
#include <windows.h>

#include <string>

// The class lists come from the configuration file beside the program, read when the recorder starts;
// without them no window is described as a list box, combo box or button and their contents are never
// asked for. The sections are added for the run and taken out again.
class ClassListsBesideProgram
{
  public:
    ClassListsBesideProgram()
    {
        char sz[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, sz, sizeof(sz));
        path = sz;
        path = path.substr(0, path.rfind('\\') + 1) + "QM57REC.INI";
        bCreated = GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES;
        for (const char* const* ppsz : c_aapszClass)
            WritePrivateProfileStringA(ppsz[0], ppsz[1], "1", path.c_str());
    }
    ~ClassListsBesideProgram()
    {
        for (const char* const* ppsz : c_aapszClass)
            WritePrivateProfileStringA(ppsz[0], nullptr, nullptr, path.c_str());
        if (bCreated) DeleteFileA(path.c_str());
    }
    ClassListsBesideProgram(const ClassListsBesideProgram&) = delete;
    ClassListsBesideProgram& operator=(const ClassListsBesideProgram&) = delete;

  private:
    static constexpr const char* c_aapszClass[][2] = {
        {"ButtonClasses", "Button"}, {"ListBoxClasses", "ListBox"}, {"ComboBoxClasses", "ComboBox"}};
    std::string path;
    bool bCreated;
};
