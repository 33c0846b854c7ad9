#pragma once
// The class object handed out by DllGetClassObject: a fresh one per call, creating CShellExt
// objects of one overlay kind, or objects of another class.
#include <windows.h>
#include <unknwn.h>

#include "shellext/server/ClassTable.h"
#include "shellext/server/ModuleReference.h"

#include <atomic>
#include <cstdint>

namespace pellicor
{

// The module reference is the last base: the library's count drops after everything else is gone.
class CShellExtClassFactory final : public IClassFactory, private ModuleReference
{
public:
    CShellExtClassFactory(std::int32_t kind, ObjectClass objectClass) noexcept;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    IFACEMETHODIMP LockServer(BOOL lock) override;

    virtual ~CShellExtClassFactory();

private:
    std::atomic<LONG> m_refCount{0};
    const std::int32_t m_kind;
    const ObjectClass m_class;
};

} // namespace pellicor
