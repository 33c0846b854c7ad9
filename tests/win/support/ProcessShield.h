#pragma once
// Keeps a process from being opened with more than the given access while the shield is up, by
// replacing its DACL; the old DACL is put back at the end of the scope. Tests use it on Wine's
// desktop process (explorer.exe): ending that process for real leaves the session without a usable
// desktop (a restarted one does not serve windows of processes that were attached to the old one),
// so code that ends every Explorer is tested against a shielded desktop and a stand-in Explorer.
#include "common/UniqueHandle.h"

namespace pellicor::test
{

class ProcessShield
{
public:
    // allowedAccess: what everyone may still open the process for (0: nothing).
    ProcessShield(DWORD processId, DWORD allowedAccess);
    ProcessShield(const ProcessShield&) = delete;
    ProcessShield& operator=(const ProcessShield&) = delete;
    ~ProcessShield();

    bool active() const { return m_active; }

    // The session's desktop process (see DesktopShell.h), or 0.
    static DWORD ShellProcessId();

private:
    UniqueKernelHandle m_process;
    PSECURITY_DESCRIPTOR m_original = nullptr; // LocalFree
    PACL m_originalDacl = nullptr;             // points into m_original
    bool m_active = false;
};

} // namespace pellicor::test
