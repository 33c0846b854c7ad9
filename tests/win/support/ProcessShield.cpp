#include "tests/win/support/ProcessShield.h"

#include "tests/win/support/DesktopShell.h"

#include <aclapi.h>

#include <vector>

namespace pellicor::test
{

ProcessShield::ProcessShield(DWORD processId, DWORD allowedAccess)
{
    m_process.reset(::OpenProcess(READ_CONTROL | WRITE_DAC, FALSE, processId));
    if (!m_process)
        return;
    if (::GetSecurityInfo(m_process.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          &m_originalDacl, nullptr, &m_original) != ERROR_SUCCESS)
        return;

    // One ACE for Everyone with the allowed access, or an empty DACL that allows nothing.
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
        return;
    const DWORD aclSize = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + ::GetLengthSid(everyone);
    std::vector<BYTE> aclBuffer(aclSize);
    auto* acl = reinterpret_cast<PACL>(aclBuffer.data());
    bool built = ::InitializeAcl(acl, aclSize, ACL_REVISION) &&
                 (allowedAccess == 0 || ::AddAccessAllowedAce(acl, ACL_REVISION, allowedAccess, everyone));
    ::FreeSid(everyone);
    if (!built)
        return;
    m_active = ::SetSecurityInfo(m_process.get(), SE_KERNEL_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                 nullptr, acl, nullptr) == ERROR_SUCCESS;
}

ProcessShield::~ProcessShield()
{
    if (m_active)
        ::SetSecurityInfo(m_process.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr,
                          m_originalDacl, nullptr);
    if (m_original)
        ::LocalFree(m_original);
}

DWORD ProcessShield::ShellProcessId()
{
    return EnsureDesktopShell();
}

} // namespace pellicor::test
