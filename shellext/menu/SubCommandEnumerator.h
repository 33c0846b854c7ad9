#pragma once
// The list of sub-commands Explorer walks under the root command: a fixed list and a position.
#include "common/ComPtr.h"
#include "shellext/server/ModuleReference.h"

#include <windows.h>
#include <shobjidl.h>

#include <atomic>
#include <vector>

namespace pellicor
{

// The module reference is the last base: the library's count drops after everything else is gone.
class SubCommandEnumerator final : public IEnumExplorerCommand, private ModuleReference
{
public:
    static HRESULT Create(std::vector<ComPtr<IExplorerCommand>> commands, IEnumExplorerCommand** out) noexcept;

    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP Next(ULONG count, IExplorerCommand** commands, ULONG* fetched) override;
    IFACEMETHODIMP Skip(ULONG count) override;
    IFACEMETHODIMP Reset() override;
    IFACEMETHODIMP Clone(IEnumExplorerCommand** copy) override;

private:
    SubCommandEnumerator(std::vector<ComPtr<IExplorerCommand>> commands, std::size_t next) noexcept;
    ~SubCommandEnumerator();

    std::atomic<LONG> m_refCount{0};
    const std::vector<ComPtr<IExplorerCommand>> m_commands;
    std::atomic<std::size_t> m_next;
};

} // namespace pellicor
