#include "launcher/UserEnvironment.h"

#include "common/UniqueHandle.h"
#include "launcher/DllSearch.h"

namespace drovana
{

namespace
{
using CreateEnvironmentBlockFn = BOOL(WINAPI*)(void**, HANDLE, BOOL);
using DestroyEnvironmentBlockFn = BOOL(WINAPI*)(void*);
using GetUserProfileDirectoryFn = BOOL(WINAPI*)(HANDLE, wchar_t*, DWORD*);

struct UserEnvApi
{
    CreateEnvironmentBlockFn createEnvironmentBlock = nullptr;
    DestroyEnvironmentBlockFn destroyEnvironmentBlock = nullptr;
    GetUserProfileDirectoryFn getUserProfileDirectory = nullptr;
};

template <typename Fn> Fn Lookup(HMODULE module, const char* name)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// Loaded once and kept for the life of the process: blocks handed out must be released by the same
// library.
const UserEnvApi& Api()
{
    static const UserEnvApi api = []
    {
        UserEnvApi found;
        if (HMODULE module = LoadSystemLibrary(L"userenv.dll"))
        {
            found.createEnvironmentBlock = Lookup<CreateEnvironmentBlockFn>(module, "CreateEnvironmentBlock");
            found.destroyEnvironmentBlock =
                Lookup<DestroyEnvironmentBlockFn>(module, "DestroyEnvironmentBlock");
            found.getUserProfileDirectory =
                Lookup<GetUserProfileDirectoryFn>(module, "GetUserProfileDirectoryW");
        }
        return found;
    }();
    return api;
}
} // namespace

UserEnvironmentBlock::UserEnvironmentBlock(HANDLE token)
{
    const UserEnvApi& api = Api();
    if (!api.createEnvironmentBlock || !api.destroyEnvironmentBlock)
    {
        ::SetLastError(ERROR_PROC_NOT_FOUND);
        return;
    }
    if (!api.createEnvironmentBlock(&m_block, token, FALSE))
        m_block = nullptr;
}

UserEnvironmentBlock::~UserEnvironmentBlock()
{
    if (m_block)
        Api().destroyEnvironmentBlock(m_block);
}

std::wstring UserProfileFolder(HANDLE token)
{
    const UserEnvApi& api = Api();
    if (!api.getUserProfileDirectory)
        return {};
    pellicor::UniqueKernelHandle ownToken;
    if (!token)
    {
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, ownToken.put()))
            return {};
        token = ownToken.get();
    }
    wchar_t folder[MAX_PATH] = {};
    DWORD units = MAX_PATH;
    if (!api.getUserProfileDirectory(token, folder, &units))
        return {};
    return folder;
}

} // namespace drovana
