#include "tests/win/guard/TempTree.h"

#include <windows.h>

#include <atomic>
#include <stdexcept>

namespace pellicor::test
{

namespace
{

std::wstring MarkerOf(const std::wstring& folder)
{
    return folder + L"\\desktop.ini";
}

} // namespace

TempTree::TempTree()
{
    static std::atomic<unsigned> counter{0};
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_root = std::wstring(temp) + L"pellicor-guard-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter);
    RemoveTree(m_root);
    if (!::CreateDirectoryW(m_root.c_str(), nullptr))
        throw std::runtime_error("cannot create a temporary folder");
}

TempTree::~TempTree()
{
    RemoveTree(m_root);
}

std::wstring TempTree::Folder(const std::wstring& relative) const
{
    std::wstring path = m_root;
    std::size_t start = 0;
    while (start <= relative.size())
    {
        std::size_t end = relative.find(L'\\', start);
        if (end == std::wstring::npos)
            end = relative.size();
        path += L'\\';
        path += relative.substr(start, end - start);
        ::CreateDirectoryW(path.c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

std::wstring TempTree::File(const std::wstring& relative, const std::string& content) const
{
    const std::wstring path = m_root + L"\\" + relative;
    HANDLE file =
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create a test file");
    DWORD written = 0;
    ::WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(file);
    return path;
}

void WriteMarker(const std::wstring& folder, const wchar_t* key, const wchar_t* value)
{
    ::WritePrivateProfileStringW(L"Pellicor", key, value, MarkerOf(folder).c_str());
}

std::wstring ReadMarker(const std::wstring& folder, const wchar_t* key)
{
    wchar_t value[64] = {};
    ::GetPrivateProfileStringW(L"Pellicor", key, L"<none>", value, 64, MarkerOf(folder).c_str());
    return value;
}

bool FileExists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW entry{};
    HANDLE find = ::FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE)
    {
        do
        {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            {
                RemoveTree(child);
            }
            else
            {
                ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                ::DeleteFileW(child.c_str());
            }
        } while (::FindNextFileW(find, &entry));
        ::FindClose(find);
    }
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::RemoveDirectoryW(path.c_str());
}

} // namespace pellicor::test
