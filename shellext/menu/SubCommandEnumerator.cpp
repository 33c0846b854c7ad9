#include "shellext/menu/SubCommandEnumerator.h"

#include "shellext/server/ShellExt.h"

#include <algorithm>
#include <new>

namespace pellicor
{

SubCommandEnumerator::SubCommandEnumerator(std::vector<ComPtr<IExplorerCommand>> commands,
                                           std::size_t next) noexcept
    : m_commands(std::move(commands)), m_next(next)
{
}

SubCommandEnumerator::~SubCommandEnumerator() = default;

HRESULT SubCommandEnumerator::Create(std::vector<ComPtr<IExplorerCommand>> commands,
                                     IEnumExplorerCommand** out) noexcept
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    auto* enumerator = new (std::nothrow) SubCommandEnumerator(std::move(commands), 0);
    if (!enumerator)
        return E_OUTOFMEMORY;
    enumerator->AddRef();
    *out = enumerator;
    return S_OK;
}

IFACEMETHODIMP SubCommandEnumerator::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!::IsEqualIID(riid, IID_IUnknown) && !::IsEqualIID(riid, IID_IEnumExplorerCommand))
        return E_NOINTERFACE;
    AddRef();
    *ppv = static_cast<IEnumExplorerCommand*>(this);
    return S_OK;
}

IFACEMETHODIMP_(ULONG) SubCommandEnumerator::AddRef()
{
    return static_cast<ULONG>(++m_refCount);
}

IFACEMETHODIMP_(ULONG) SubCommandEnumerator::Release()
{
    const LONG count = --m_refCount;
    if (count == 0)
        delete this;
    return static_cast<ULONG>(count);
}

// S_OK when all `count` were handed out, S_FALSE when the list ended first.
IFACEMETHODIMP SubCommandEnumerator::Next(ULONG count, IExplorerCommand** commands, ULONG* fetched)
{
    if (fetched)
        *fetched = 0;
    if (!commands || (count > 1 && !fetched))
        return E_POINTER;
    ULONG given = 0;
    while (given < count)
    {
        std::size_t index = m_next.load();
        do
        {
            if (index >= m_commands.size())
                break;
        } while (!m_next.compare_exchange_weak(index, index + 1));
        if (index >= m_commands.size())
            break;
        commands[given] = m_commands[index].get();
        commands[given]->AddRef();
        ++given;
    }
    if (fetched)
        *fetched = given;
    return given == count ? S_OK : S_FALSE;
}

IFACEMETHODIMP SubCommandEnumerator::Skip(ULONG count)
{
    std::size_t index = m_next.load();
    std::size_t target = 0;
    do
        target = std::min(m_commands.size(), index + count);
    while (!m_next.compare_exchange_weak(index, target));
    return target - index == count ? S_OK : S_FALSE;
}

IFACEMETHODIMP SubCommandEnumerator::Reset()
{
    m_next = 0;
    return S_OK;
}

IFACEMETHODIMP SubCommandEnumerator::Clone(IEnumExplorerCommand** copy)
{
    if (!copy)
        return E_POINTER;
    *copy = nullptr;
    try
    {
        auto* enumerator = new SubCommandEnumerator(m_commands, m_next.load());
        enumerator->AddRef();
        *copy = enumerator;
        return S_OK;
    }
    catch (...)
    {
        return E_OUTOFMEMORY;
    }
}

} // namespace pellicor
