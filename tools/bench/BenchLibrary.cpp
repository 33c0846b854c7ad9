#include "tools/bench/BenchLibrary.h"

#include "common/TextConversion.h"
#include "shellext/server/ClassTable.h"

namespace pellicor::bench
{

namespace
{

const CLSID* SyncedClass()
{
    for (const ClassEntry& entry : kClassTable)
    {
        if (entry.kind == Synced)
            return &entry.clsid;
    }
    return nullptr;
}

double CounterFrequency()
{
    LARGE_INTEGER frequency{};
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
}

} // namespace

std::wstring ProgramFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder;
}

std::string Narrow(const std::wstring& text)
{
    return ToUtf8(text);
}

BenchLibrary::BenchLibrary()
    : m_path(ProgramFolder() + L"PellicorOverlays_x64_10060.dll"), m_module(::LoadLibraryW(m_path.c_str()))
{
    if (m_module)
        m_getClassObject = reinterpret_cast<GetClassObjectFn>(
            reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "DllGetClassObject")));
}

void BenchLibrary::CreateRaw(REFIID iid, void** out) const
{
    *out = nullptr;
    const CLSID* clsid = SyncedClass();
    if (!m_getClassObject || !clsid)
        return;
    ComPtr<IClassFactory> factory;
    if (SUCCEEDED(m_getClassObject(*clsid, IID_IClassFactory, factory.put_void())))
        factory->CreateInstance(nullptr, iid, out);
}

Stopwatch::Stopwatch()
{
    Restart();
}

void Stopwatch::Restart()
{
    ::QueryPerformanceCounter(&m_start);
}

double Stopwatch::ElapsedMicroseconds() const
{
    static const double frequency = CounterFrequency();
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart - m_start.QuadPart) * 1e6 / frequency;
}

} // namespace pellicor::bench
