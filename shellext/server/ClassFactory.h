#pragma once
// The class object handed out by DllGetClassObject: a fresh one per call, creating CShellExt
// objects of one overlay kind, or objects of another class.
#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <cstdint>

#include "shellext/server/ClassTable.h"

namespace pellicor
{

class CShellExtClassFactory final : public IClassFactory
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
