#include "shellhost/HandlerObjects.h"

#include "shellhost/Console.h"
#include "shellhost/RegistryReader.h"

#include <objbase.h>

namespace pellicor::shellhost
{

void PrintClassRegistration(const std::wstring& clsid, const std::wstring& indent)
{
    const InProcRegistration registration = ReadInProcRegistration(clsid);
    if (!registration.classKey)
    {
        PrintLine(indent + L"class " + clsid + L": not registered (no HKCR\\CLSID\\" + clsid + L")");
        return;
    }
    std::wstring server = registration.server ? Quoted(registration.server->text) : L"(no InProcServer32)";
    if (registration.server && !registration.server->text.empty())
    {
        const DWORD attributes = ::GetFileAttributesW(registration.server->text.c_str());
        server += (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
                      ? L" (file missing)"
                      : L" (file present)";
    }
    const std::wstring model = registration.threadingModel ? registration.threadingModel->text : L"(none)";
    PrintLine(indent + L"server " + server + L", ThreadingModel " + model);
}

HRESULT CreateHandler(const std::wstring& clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    CLSID parsed = {};
    if (FAILED(::CLSIDFromString(clsid.c_str(), &parsed)))
        return E_INVALIDARG;
    return ::CoCreateInstance(parsed, nullptr, CLSCTX_INPROC_SERVER, riid, object);
}

std::wstring HandlerClass(HKEY hive, const std::wstring& handlersKey, const std::wstring& name)
{
    const auto value = ReadString(hive, handlersKey + L"\\" + name, nullptr);
    if (value && !value->text.empty() && value->text.front() == L'{')
        return value->text;
    if (!name.empty() && name.front() == L'{')
        return name;
    return value ? value->text : std::wstring();
}

} // namespace pellicor::shellhost
