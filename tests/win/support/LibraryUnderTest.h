#pragma once
// The real library, loaded from the bin folder with LoadLibraryW and driven through its two
// exports, as Explorer drives it.
#include "common/UniqueHandle.h"

#include <windows.h>

#include <string>

namespace pellicor::test
{

class LibraryUnderTest
{
public:
    LibraryUnderTest(); // loads BinPath(kLibraryFileName); check IsLoaded()
    explicit LibraryUnderTest(const std::wstring& folder); // the library in folder (ending in a backslash)
    bool IsLoaded() const { return m_getClassObject != nullptr && m_canUnloadNow != nullptr; }
    HMODULE Module() const { return m_module.get(); }
    const std::wstring& Path() const { return m_path; }

    HRESULT GetClassObject(REFCLSID clsid, REFIID iid, void** out) const;
    HRESULT CanUnloadNow() const;

    // Class object for clsid, then CreateInstance(nullptr, iid, out): what the shell does.
    HRESULT CreateObject(REFCLSID clsid, REFIID iid, void** out) const;

private:
    using GetClassObjectFn = HRESULT(__stdcall*)(REFCLSID, REFIID, void**);
    using CanUnloadNowFn = HRESULT(__stdcall*)();

    std::wstring m_path;
    UniqueModule m_module;
    GetClassObjectFn m_getClassObject = nullptr;
    CanUnloadNowFn m_canUnloadNow = nullptr;
};

} // namespace pellicor::test
