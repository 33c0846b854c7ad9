#pragma once
// A user's environment block and profile folder, from userenv.dll. The launcher loads that library
// from the system folder when it first needs it instead of importing it: imports are loaded before
// the launcher can restrict its DLL search, and userenv.dll is not one of the system's known DLLs, so
// an import would be looked for beside the launcher first.
#include <windows.h>

#include <string>

namespace drovana
{

// The environment a program started for the token's user gets (CreateEnvironmentBlock, without the
// launcher's own variables). Released with DestroyEnvironmentBlock.
class UserEnvironmentBlock
{
public:
    // On failure get() is null and the thread's last error says why.
    explicit UserEnvironmentBlock(HANDLE token);
    ~UserEnvironmentBlock();
    UserEnvironmentBlock(const UserEnvironmentBlock&) = delete;
    UserEnvironmentBlock& operator=(const UserEnvironmentBlock&) = delete;

    void* get() const { return m_block; } // UTF-16 (CREATE_UNICODE_ENVIRONMENT)

private:
    void* m_block = nullptr;
};

// The profile folder of the token's user, or of the launcher's own user for a null token, as the
// system keeps it for each account (only administrators change it); empty when unknown.
std::wstring UserProfileFolder(HANDLE token);

} // namespace drovana
