#pragma once
// The Task Scheduler 2.0 registration trigger, which the MinGW headers do not declare: a trigger that
// fires when its task is registered, after an optional delay.
#include <windows.h>
#include <taskschd.h>

// The MinGW headers' own guard name, so that a release of them that declares the interface wins.
#ifndef __IRegistrationTrigger_INTERFACE_DEFINED__
// NOLINTNEXTLINE(bugprone-reserved-identifier): the system headers' name, not one of ours
#define __IRegistrationTrigger_INTERFACE_DEFINED__
MIDL_INTERFACE("4c8fec3a-c218-4e0c-b23d-629024db91a2")
IRegistrationTrigger : public ITrigger
{
    virtual HRESULT STDMETHODCALLTYPE get_Delay(BSTR * delay) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Delay(BSTR delay) = 0;
};
__CRT_UUID_DECL(IRegistrationTrigger, 0x4c8fec3a, 0xc218, 0x4e0c, 0xb2, 0x3d, 0x62, 0x90, 0x24, 0xdb, 0x91,
                0xa2)
#endif
