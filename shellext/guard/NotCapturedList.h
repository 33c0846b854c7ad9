#pragma once
// The client's list of folders that the copy guard leaves alone: the value names of the key
// "NotCaptures" under the client's settings key, matched exactly. When the client changes the
// entries it sets the key's default value to "1"; the guard then reads them again and writes "0".
// A list lives for one guard decision.
#include <cstddef>
#include <map>
#include <string>

namespace pellicor
{

class NotCapturedList
{
public:
    // Empties the list and reads every entry. False when the key did not exist (it is then created
    // empty) or could not be opened; the list is then empty.
    bool Load();

    // Whether the path is an entry, code unit by code unit. Reloads first when the client raised the
    // change flag, and lowers it.
    bool Contains(const std::wstring& path);

    std::size_t Size() const noexcept { return m_entries.size(); }

private:
    std::map<std::wstring, std::wstring> m_entries; // folder path -> the client's text for it
};

} // namespace pellicor
