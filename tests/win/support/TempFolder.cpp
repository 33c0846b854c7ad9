#include "tests/win/support/TempFolder.h"

#include "common/UniqueHandle.h"
#include "common/TextConversion.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <stdexcept>

namespace pellicor::test
{

TempFolder::TempFolder(const std::wstring& parent)
{
    static std::atomic<unsigned> counter{0};
    std::wstring where = parent;
    if (where.empty())
    {
        wchar_t temp[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, temp);
        where = temp;
        where.pop_back();
    }
    m_root = where + L"\\pellicor-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(++counter);
    RemoveTree(m_root);
    if (!::CreateDirectoryW(m_root.c_str(), nullptr))
        throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder()
{
    RemoveTree(m_root);
}

std::wstring TempFolder::Folder(const std::wstring& relative) const
{
    std::wstring path = m_root;
    for (std::size_t start = 0; start <= relative.size();)
    {
        const std::size_t end = std::min(relative.find(L'\\', start), relative.size());
        path += L'\\' + relative.substr(start, end - start);
        ::CreateDirectoryW(path.c_str(), nullptr);
        start = end + 1;
    }
    return path;
}

std::wstring TempFolder::File(const std::wstring& relative, const std::string& bytes) const
{
    const std::wstring path = Path(relative);
    WriteFileBytes(path, bytes);
    return path;
}

std::vector<std::wstring> TempFolder::Names() const
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW entry{};
    UniqueFind find(::FindFirstFileW((m_root + L"\\*").c_str(), &entry));
    for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &entry))
    {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool FileExists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // A link is removed itself, never what it points at.
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    {
        if (!::DeleteFileW(path.c_str()))
            ::RemoveDirectoryW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW entry{};
    UniqueFind find(::FindFirstFileW((path + L"\\*").c_str(), &entry));
    for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &entry))
    {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            RemoveTree(path + L"\\" + name);
    }
    find.reset();
    ::RemoveDirectoryW(path.c_str());
}

std::optional<std::string> ReadFileBytes(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file)
        return std::nullopt;
    std::string bytes;
    char buffer[65536];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        bytes.append(buffer, read);
    return bytes;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << ToUtf8(path);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

} // namespace pellicor::test
