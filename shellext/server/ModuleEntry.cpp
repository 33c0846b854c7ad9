// The library's two exports and its entry point. Explorer may call these on any thread.
#include "shellext/server/ClassFactory.h"
#include "shellext/server/ClassTable.h"
#include "shellext/server/ModuleReference.h"
#include "shellext/server/ShellExt.h"

#include <new>

namespace pellicor
{

namespace
{
std::atomic<HINSTANCE> g_moduleInstance{nullptr};
}

HINSTANCE ModuleInstance() noexcept
{
    return g_moduleInstance.load();
}

} // namespace pellicor

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    pellicor::g_moduleInstance.store(instance);
    return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv)
{
    using namespace pellicor;
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;

    const ClassEntry* entry = FindClass(clsid);
    if (!entry)
        return CLASS_E_CLASSNOTAVAILABLE;

    CShellExtClassFactory* factory = new (std::nothrow) CShellExtClassFactory(entry->kind, entry->objectClass);
    if (factory == nullptr)
        return E_OUTOFMEMORY;

    const HRESULT hr = factory->QueryInterface(riid, ppv);
    if (FAILED(hr))
        delete factory; // its module reference goes with it
    return hr;
}

STDAPI DllCanUnloadNow()
{
    return pellicor::ModuleCanUnload() ? S_OK : S_FALSE;
}
