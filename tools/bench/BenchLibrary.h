#pragma once
// The library as Explorer holds it: loaded from beside the benchmark, objects made through its
// class object, and the Win32 details that every section shares.
#include "common/ComPtr.h"
#include "common/UniqueHandle.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pellicor::bench
{

class BenchLibrary
{
public:
    BenchLibrary(); // loads PellicorOverlays_x64_10060.dll from the program's own folder
    bool IsLoaded() const { return m_getClassObject != nullptr; }
    const std::wstring& Path() const { return m_path; }

    // An object of the synced-overlay class, which is also the context-menu handler; every class
    // gives the same object, so it serves the copy hook's calls as well.
    template <typename I> ComPtr<I> Create(REFIID iid) const
    {
        ComPtr<I> object;
        CreateRaw(iid, object.put_void());
        return object;
    }

private:
    void CreateRaw(REFIID iid, void** out) const;

    using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    std::wstring m_path;
    UniqueModule m_module;
    GetClassObjectFn m_getClassObject = nullptr;
};

// Microseconds on the performance counter.
class Stopwatch
{
public:
    Stopwatch();
    void Restart();
    double ElapsedMicroseconds() const;

private:
    LARGE_INTEGER m_start{};
};

// The folder of the running program, with a trailing backslash.
std::wstring ProgramFolder();

// Narrow text for the table.
std::string Narrow(const std::wstring& text);

} // namespace pellicor::bench
