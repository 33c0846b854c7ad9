#pragma once
// The client's settings in each user's hive, named as the client writes them. The library reads them
// for every shell call, the launcher for the virtual drive. Portable: no <windows.h>.

namespace pellicor
{

inline constexpr wchar_t kClientSettingsKey[] = L"Software\\Pellicor\\Client"; // under HKEY_CURRENT_USER
inline constexpr wchar_t kUserNameValue[] = L"username";                       // empty: nobody signed in
inline constexpr wchar_t kSyncPathValue[] = L"syncPath";
inline constexpr wchar_t kNickNameValue[] = L"NickName";
inline constexpr wchar_t kAvatarPathValue[] = L"AvatarPath";
inline constexpr wchar_t kClientLanguageValue[] = L"DrovanaLanguage"; // 1033 English, else Chinese

} // namespace pellicor
