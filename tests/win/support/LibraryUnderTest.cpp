#include "tests/win/support/LibraryUnderTest.h"

#include "common/ComPtr.h"
#include "tests/win/support/TestPaths.h"

namespace pellicor::test
{

LibraryUnderTest::LibraryUnderTest() : LibraryUnderTest(BinFolder()) {}

LibraryUnderTest::LibraryUnderTest(const std::wstring& folder)
    : m_path(folder + kLibraryFileName), m_module(::LoadLibraryW(m_path.c_str()))
{
    if (!m_module)
        return;
    m_getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "DllGetClassObject")));
    m_canUnloadNow = reinterpret_cast<CanUnloadNowFn>(
        reinterpret_cast<void*>(::GetProcAddress(m_module.get(), "DllCanUnloadNow")));
}

HRESULT LibraryUnderTest::GetClassObject(REFCLSID clsid, REFIID iid, void** out) const
{
    return m_getClassObject ? m_getClassObject(clsid, iid, out) : E_UNEXPECTED;
}

HRESULT LibraryUnderTest::CanUnloadNow() const
{
    return m_canUnloadNow ? m_canUnloadNow() : E_UNEXPECTED;
}

HRESULT LibraryUnderTest::CreateObject(REFCLSID clsid, REFIID iid, void** out) const
{
    ComPtr<IClassFactory> factory;
    const HRESULT hr = GetClassObject(clsid, IID_IClassFactory, factory.put_void());
    if (FAILED(hr))
        return hr;
    return factory->CreateInstance(nullptr, iid, out);
}

} // namespace pellicor::test
