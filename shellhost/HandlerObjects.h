#pragma once
// Creating a registered handler the way Explorer does: CoCreateInstance of the class named in the
// registry, which Windows resolves through HKCR\CLSID\{...}\InProcServer32.
#include <windows.h>

#include <string>

namespace pellicor::shellhost
{

// Prints where the class is served from and its threading model, or what is missing.
void PrintClassRegistration(const std::wstring& clsid, const std::wstring& indent);

// E_INVALIDARG for text that is not a class identifier.
HRESULT CreateHandler(const std::wstring& clsid, REFIID riid, void** object);

// The class identifier a handler key names: its default value, or the key name itself when that is
// an identifier (both forms are registered in the wild).
std::wstring HandlerClass(HKEY hive, const std::wstring& handlersKey, const std::wstring& name);

} // namespace pellicor::shellhost
