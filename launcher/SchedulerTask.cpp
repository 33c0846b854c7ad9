// The last way to start the client as the interactive user: a one-shot Task Scheduler task that runs
// the program, unelevated and in the user's interactive logon, two seconds after it is registered.
#include "launcher/InteractiveStart.h"
#include "launcher/SchedulerTask.h"

#include "common/ComPtr.h"
#include "common/OleHandles.h"

#include <objbase.h>

namespace drovana
{

using pellicor::ComPtr;
using pellicor::MakeBstr;
using pellicor::UniqueBstr;
using pellicor::UniqueVariant;

namespace
{
constexpr const wchar_t* kRootFolder = L"\\";
constexpr const wchar_t* kTaskName = L"Drovana First Start Task";
constexpr const wchar_t* kTaskDescription =
    L"Drovana assist task, will run once at install time, no need to disable it";
constexpr const wchar_t* kPrincipalId = L"Drovana-Principal";
constexpr const wchar_t* kTriggerId = L"drovana-Trigger";
constexpr const wchar_t* kStartDelay = L"PT2S"; // ISO 8601: two seconds

// The Task Scheduler 2.0 service class {0F87369F-A4E5-4CFC-BD3E-73E6154572DD}.
constexpr CLSID kTaskSchedulerClass = {
    0x0f87369f, 0xa4e5, 0x4cfc, {0xbd, 0x3e, 0x73, 0xe6, 0x15, 0x45, 0x72, 0xdd}};

// Everything between COM initialization and its end; every interface is released on return, before
// the caller ends COM for the thread.
bool RegisterFirstStartTask(const wchar_t* application, const wchar_t* commandLine)
{
    if (FAILED(::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT_PRIVACY,
                                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, 0, nullptr)))
        return false;

    ComPtr<ITaskService> service;
    if (FAILED(::CoCreateInstance(kTaskSchedulerClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(ITaskService),
                                  service.put_void())))
        return false;

    // Empty VARIANTs: the local machine and the current account.
    UniqueVariant server;
    UniqueVariant user;
    UniqueVariant domain;
    UniqueVariant password;
    if (FAILED(service->Connect(server.get(), user.get(), domain.get(), password.get())))
        return false;

    ComPtr<ITaskFolder> folder;
    const UniqueBstr rootFolder = MakeBstr(kRootFolder);
    if (!rootFolder || FAILED(service->GetFolder(rootFolder.get(), folder.put())))
        return false;

    const UniqueBstr taskName = MakeBstr(kTaskName);
    if (!taskName)
        return false;
    // The task of an earlier run is removed; its absence is no failure.
    folder->DeleteTask(taskName.get(), 0);

    ComPtr<ITaskDefinition> definition;
    if (FAILED(service->NewTask(0, definition.put())))
        return false;
    service.reset();

    ComPtr<IRegistrationInfo> registrationInfo;
    const UniqueBstr description = MakeBstr(kTaskDescription);
    if (FAILED(definition->get_RegistrationInfo(registrationInfo.put())) || !registrationInfo ||
        FAILED(registrationInfo->put_Description(description.get())))
        return false;

    ComPtr<IPrincipal> principal;
    if (FAILED(definition->get_Principal(principal.put())) || !principal)
        return false;
    const UniqueBstr principalId = MakeBstr(kPrincipalId);
    principal->put_Id(principalId.get());
    principal->put_LogonType(TASK_LOGON_INTERACTIVE_TOKEN);
    // The client must never run elevated, even when the installer is.
    if (FAILED(principal->put_RunLevel(TASK_RUNLEVEL_LUA)))
        return false;

    ComPtr<ITaskSettings> settings;
    if (FAILED(definition->get_Settings(settings.put())) || !settings ||
        FAILED(settings->put_StartWhenAvailable(VARIANT_TRUE)))
        return false;

    ComPtr<ITriggerCollection> triggers;
    ComPtr<ITrigger> trigger;
    ComPtr<IRegistrationTrigger> registrationTrigger;
    if (FAILED(definition->get_Triggers(triggers.put())) || !triggers ||
        FAILED(triggers->Create(TASK_TRIGGER_REGISTRATION, trigger.put())) ||
        FAILED(trigger.As(registrationTrigger)) || !registrationTrigger)
        return false;
    const UniqueBstr triggerId = MakeBstr(kTriggerId);
    registrationTrigger->put_Id(triggerId.get());
    const UniqueBstr delay = MakeBstr(kStartDelay);
    if (FAILED(registrationTrigger->put_Delay(delay.get())))
        return false;

    ComPtr<IActionCollection> actions;
    ComPtr<IAction> action;
    ComPtr<IExecAction> execAction;
    if (FAILED(definition->get_Actions(actions.put())) || !actions ||
        FAILED(actions->Create(TASK_ACTION_EXEC, action.put())) || FAILED(action.As(execAction)) ||
        !execAction)
        return false;
    const UniqueBstr path = MakeBstr(application);
    if (!path || FAILED(execAction->put_Path(path.get())))
        return false;
    // The client reads its command line as given; no working directory is set.
    const UniqueBstr arguments = MakeBstr(commandLine);
    execAction->put_Arguments(arguments.get());

    UniqueVariant noUser;
    UniqueVariant noPassword;
    UniqueVariant securityDescriptor;
    securityDescriptor.get().vt = VT_BSTR;
    securityDescriptor.get().bstrVal = ::SysAllocString(L"");
    ComPtr<IRegisteredTask> registered;
    return SUCCEEDED(folder->RegisterTaskDefinition(
        taskName.get(), definition.get(), TASK_CREATE_OR_UPDATE, noUser.get(), noPassword.get(),
        TASK_LOGON_INTERACTIVE_TOKEN, securityDescriptor.get(), registered.put()));
}
} // namespace

bool CreateProcessUseSchedulerTask(const wchar_t* application, const wchar_t* commandLine)
{
    if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return false;
    const bool registered = RegisterFirstStartTask(application, commandLine);
    ::CoUninitialize();
    return registered;
}

} // namespace drovana
