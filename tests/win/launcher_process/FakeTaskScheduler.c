// Written in C because the C vtables of <taskschd.h> let a fake fill only the methods it serves:
// a call to any other slot is a null call and fails the test loudly.
#include "FakeTaskScheduler.h"

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <taskschd.h>

#include <string.h>
#include <wchar.h>

#define RECORD_KEY L"Software\\Pellicor\\Test\\FakeTaskScheduler"
#define TASKS_KEY RECORD_KEY L"\\Tasks"

// The interface ids come from the platform's libraries; only this one is missing there.
static const IID kIID_IRegistrationTrigger = {
    0x4c8fec3a, 0xc218, 0x4e0c, {0xb2, 0x3d, 0x62, 0x90, 0x24, 0xdb, 0x91, 0xa2}};

// Every object is a process-wide singleton: its vtable, then the interfaces it answers to.
typedef struct FakeObject
{
    const void* vtbl;
    const IID* iid;
    const IID* iid2;
} FakeObject;

static HRESULT FakeQueryInterface(FakeObject* self, REFIID riid, void** out)
{
    if (!out)
        return E_POINTER;
    if (!memcmp(riid, &IID_IUnknown, sizeof(IID)) || !memcmp(riid, &IID_IDispatch, sizeof(IID)) ||
        !memcmp(riid, self->iid, sizeof(IID)) || (self->iid2 && !memcmp(riid, self->iid2, sizeof(IID))))
    {
        *out = self;
        return S_OK;
    }
    *out = NULL;
    return E_NOINTERFACE;
}

// clang-format off
// The methods each fake serves, one line each: IUnknown, setters that keep a text or a number of the
// definition under construction, and getters that hand out another singleton.
#define FAKE_IUNKNOWN(T) \
    static HRESULT STDMETHODCALLTYPE Fake##T##_QueryInterface(T* self, REFIID riid, void** out) \
    { return FakeQueryInterface((FakeObject*)self, riid, out); } \
    static ULONG STDMETHODCALLTYPE Fake##T##_AddRef(T* self) { (void)self; return 2; } \
    static ULONG STDMETHODCALLTYPE Fake##T##_Release(T* self) { (void)self; return 1; }
#define FAKE_IUNKNOWN_SLOTS(T) \
    .QueryInterface = Fake##T##_QueryInterface, .AddRef = Fake##T##_AddRef, .Release = Fake##T##_Release
#define FAKE_PUT_TEXT(T, method, field) \
    static HRESULT STDMETHODCALLTYPE Fake##T##_##method(T* self, BSTR value) \
    { (void)self; CopyBstr(g_definition.field, sizeof(g_definition.field) / sizeof(wchar_t), value); return S_OK; }
#define FAKE_PUT_NUMBER(T, method, ValueType, field) \
    static HRESULT STDMETHODCALLTYPE Fake##T##_##method(T* self, ValueType value) \
    { (void)self; g_definition.field = (DWORD)value; return S_OK; }
#define FAKE_COLLECTION(T, TypeArgument, field, Out, item, object) \
    FAKE_IUNKNOWN(T) \
    static HRESULT STDMETHODCALLTYPE Fake##T##_Create(T* self, TypeArgument type, Out** out) \
    { (void)self; g_definition.field = (DWORD)type; *out = (Out*)&item; return S_OK; } \
    static const T##Vtbl object##Vtbl = {FAKE_IUNKNOWN_SLOTS(T), .Create = Fake##T##_Create}; \
    static FakeObject object = {&object##Vtbl, &IID_##T, NULL};
#define FAKE_GET_OBJECT(T, method, Out, object) \
    static HRESULT STDMETHODCALLTYPE Fake##T##_##method(T* self, Out** out) \
    { (void)self; *out = (Out*)&object; return S_OK; }

// What the definition under construction holds.
static struct
{
    wchar_t description[512], principalId[128], triggerId[128], delay[64], path[1024], arguments[1024];
    DWORD logonType, runLevel, startWhenAvailable, triggerType, actionType, workingDirectorySet;
} g_definition;

static void CopyBstr(wchar_t* target, size_t units, BSTR text)
{
    wcsncpy(target, text ? text : L"", units - 1);
    target[units - 1] = L'\0';
}

FAKE_IUNKNOWN(IExecAction)
FAKE_PUT_TEXT(IExecAction, put_Path, path)
FAKE_PUT_TEXT(IExecAction, put_Arguments, arguments)
static HRESULT STDMETHODCALLTYPE FakeIExecAction_put_WorkingDirectory(IExecAction* self, BSTR directory)
{ (void)self; (void)directory; g_definition.workingDirectorySet = 1; return S_OK; }
static const IExecActionVtbl g_actionVtbl = {FAKE_IUNKNOWN_SLOTS(IExecAction), .put_Path = FakeIExecAction_put_Path,
    .put_Arguments = FakeIExecAction_put_Arguments, .put_WorkingDirectory = FakeIExecAction_put_WorkingDirectory};
static FakeObject g_action = {&g_actionVtbl, &IID_IAction, &IID_IExecAction};

FAKE_COLLECTION(IActionCollection, TASK_ACTION_TYPE, actionType, IAction, g_action, g_actions)

// The registration trigger: ITrigger followed by its own two methods.
typedef struct RegistrationTriggerVtbl
{
    ITriggerVtbl trigger;
    HRESULT(STDMETHODCALLTYPE* get_Delay)(ITrigger* self, BSTR* delay);
    HRESULT(STDMETHODCALLTYPE* put_Delay)(ITrigger* self, BSTR delay);
} RegistrationTriggerVtbl;
FAKE_IUNKNOWN(ITrigger)
FAKE_PUT_TEXT(ITrigger, put_Id, triggerId)
FAKE_PUT_TEXT(ITrigger, put_Delay, delay)
static const RegistrationTriggerVtbl g_triggerVtbl = {{FAKE_IUNKNOWN_SLOTS(ITrigger), .put_Id = FakeITrigger_put_Id},
    .put_Delay = FakeITrigger_put_Delay};
static FakeObject g_trigger = {&g_triggerVtbl, &IID_ITrigger, &kIID_IRegistrationTrigger};

FAKE_COLLECTION(ITriggerCollection, TASK_TRIGGER_TYPE2, triggerType, ITrigger, g_trigger, g_triggers)

FAKE_IUNKNOWN(ITaskSettings)
static HRESULT STDMETHODCALLTYPE FakeITaskSettings_put_StartWhenAvailable(ITaskSettings* self, VARIANT_BOOL start)
{ (void)self; g_definition.startWhenAvailable = start == VARIANT_TRUE; return S_OK; }
static const ITaskSettingsVtbl g_settingsVtbl = {FAKE_IUNKNOWN_SLOTS(ITaskSettings),
    .put_StartWhenAvailable = FakeITaskSettings_put_StartWhenAvailable};
static FakeObject g_settings = {&g_settingsVtbl, &IID_ITaskSettings, NULL};

FAKE_IUNKNOWN(IPrincipal)
FAKE_PUT_TEXT(IPrincipal, put_Id, principalId)
FAKE_PUT_NUMBER(IPrincipal, put_LogonType, TASK_LOGON_TYPE, logonType)
FAKE_PUT_NUMBER(IPrincipal, put_RunLevel, TASK_RUNLEVEL_TYPE, runLevel)
static const IPrincipalVtbl g_principalVtbl = {FAKE_IUNKNOWN_SLOTS(IPrincipal), .put_Id = FakeIPrincipal_put_Id,
    .put_LogonType = FakeIPrincipal_put_LogonType, .put_RunLevel = FakeIPrincipal_put_RunLevel};
static FakeObject g_principal = {&g_principalVtbl, &IID_IPrincipal, NULL};

FAKE_IUNKNOWN(IRegistrationInfo)
FAKE_PUT_TEXT(IRegistrationInfo, put_Description, description)
static const IRegistrationInfoVtbl g_infoVtbl = {FAKE_IUNKNOWN_SLOTS(IRegistrationInfo),
    .put_Description = FakeIRegistrationInfo_put_Description};
static FakeObject g_info = {&g_infoVtbl, &IID_IRegistrationInfo, NULL};

FAKE_IUNKNOWN(ITaskDefinition)
FAKE_GET_OBJECT(ITaskDefinition, get_RegistrationInfo, IRegistrationInfo, g_info)
FAKE_GET_OBJECT(ITaskDefinition, get_Triggers, ITriggerCollection, g_triggers)
FAKE_GET_OBJECT(ITaskDefinition, get_Settings, ITaskSettings, g_settings)
FAKE_GET_OBJECT(ITaskDefinition, get_Principal, IPrincipal, g_principal)
FAKE_GET_OBJECT(ITaskDefinition, get_Actions, IActionCollection, g_actions)
static const ITaskDefinitionVtbl g_definitionVtbl = {FAKE_IUNKNOWN_SLOTS(ITaskDefinition),
    .get_RegistrationInfo = FakeITaskDefinition_get_RegistrationInfo, .get_Triggers = FakeITaskDefinition_get_Triggers,
    .get_Settings = FakeITaskDefinition_get_Settings, .get_Principal = FakeITaskDefinition_get_Principal,
    .get_Actions = FakeITaskDefinition_get_Actions};
static FakeObject g_definitionObject = {&g_definitionVtbl, &IID_ITaskDefinition, NULL};
// clang-format on

static void SetDword(HKEY key, const wchar_t* name, DWORD value)
{
    RegSetValueExW(key, name, 0, REG_DWORD, (const BYTE*)&value, sizeof(value));
}

static void SetText(HKEY key, const wchar_t* name, const wchar_t* value)
{
    RegSetValueExW(key, name, 0, REG_SZ, (const BYTE*)value, (DWORD)((wcslen(value) + 1) * sizeof(wchar_t)));
}

static void CountAtRoot(const wchar_t* name)
{
    HKEY key = NULL;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, RECORD_KEY, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
        return;
    DWORD value = 0, size = sizeof(value);
    RegQueryValueExW(key, name, NULL, NULL, (BYTE*)&value, &size);
    SetDword(key, name, value + 1);
    RegCloseKey(key);
}

static int IsEmptyVariant(const VARIANT* v)
{
    return v->vt == VT_EMPTY;
}

// ---- folder ----
// The task's key below HKEY_CURRENT_USER.
static void TaskKey(wchar_t* path, size_t units, BSTR name)
{
    swprintf(path, units, L"%ls\\%ls", TASKS_KEY, name);
}

static int TaskIsStored(BSTR name)
{
    wchar_t path[512];
    TaskKey(path, 512, name);
    HKEY task = NULL;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &task))
        return 0;
    RegCloseKey(task);
    return 1;
}

FAKE_IUNKNOWN(ITaskFolder)
static HRESULT STDMETHODCALLTYPE FakeFolder_DeleteTask(ITaskFolder* self, BSTR name, LONG flags)
{
    (void)self;
    (void)flags;
    wchar_t path[512];
    if (!name)
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    TaskKey(path, 512, name);
    if (RegDeleteKeyW(HKEY_CURRENT_USER, path))
        return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    CountAtRoot(L"Deletions");
    return S_OK;
}
static HRESULT STDMETHODCALLTYPE FakeFolder_RegisterTaskDefinition(ITaskFolder* self, BSTR name,
                                                                   ITaskDefinition* definition, LONG flags,
                                                                   VARIANT user, VARIANT password,
                                                                   TASK_LOGON_TYPE logon, VARIANT sddl,
                                                                   IRegisteredTask** task)
{
    (void)self;
    if (task)
        *task = NULL;
    if (!name || definition != (ITaskDefinition*)&g_definitionObject)
        return E_INVALIDARG;
    if (!(flags & TASK_UPDATE) && TaskIsStored(name))
        return HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS);

    HKEY key = NULL;
    wchar_t path[512];
    TaskKey(path, 512, name);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL))
        return E_FAIL;
    SetText(key, L"Description", g_definition.description);
    SetText(key, L"PrincipalId", g_definition.principalId);
    SetDword(key, L"LogonType", g_definition.logonType);
    SetDword(key, L"RunLevel", g_definition.runLevel);
    SetDword(key, L"StartWhenAvailable", g_definition.startWhenAvailable);
    SetDword(key, L"TriggerType", g_definition.triggerType);
    SetText(key, L"TriggerId", g_definition.triggerId);
    SetText(key, L"Delay", g_definition.delay);
    SetDword(key, L"ActionType", g_definition.actionType);
    SetText(key, L"Path", g_definition.path);
    SetText(key, L"Arguments", g_definition.arguments);
    SetDword(key, L"WorkingDirectorySet", g_definition.workingDirectorySet);
    SetDword(key, L"RegisterFlags", (DWORD)flags);
    SetDword(key, L"RegisterLogonType", (DWORD)logon);
    SetDword(key, L"UserAndPasswordEmpty", IsEmptyVariant(&user) && IsEmptyVariant(&password));
    SetDword(key, L"SddlType", sddl.vt);
    SetText(key, L"Sddl", sddl.vt == VT_BSTR && sddl.bstrVal ? sddl.bstrVal : L"<none>");
    RegCloseKey(key);
    CountAtRoot(L"Registrations");
    return S_OK;
}
static const ITaskFolderVtbl g_folderVtbl = {FAKE_IUNKNOWN_SLOTS(ITaskFolder),
                                             .DeleteTask = FakeFolder_DeleteTask,
                                             .RegisterTaskDefinition = FakeFolder_RegisterTaskDefinition};
static FakeObject g_folder = {&g_folderVtbl, &IID_ITaskFolder, NULL};

// ---- service ----
static wchar_t g_folderPath[64];
static int g_connected;

FAKE_IUNKNOWN(ITaskService)
static HRESULT STDMETHODCALLTYPE FakeService_Connect(ITaskService* self, VARIANT server, VARIANT user,
                                                     VARIANT domain, VARIANT password)
{
    (void)self;
    // Only the local machine and the current account are served.
    if (!IsEmptyVariant(&server) || !IsEmptyVariant(&user) || !IsEmptyVariant(&domain) ||
        !IsEmptyVariant(&password))
        return E_INVALIDARG;
    g_connected = 1;
    return S_OK;
}
static HRESULT STDMETHODCALLTYPE FakeService_GetFolder(ITaskService* self, BSTR path, ITaskFolder** folder)
{
    (void)self;
    if (!g_connected)
        return HRESULT_FROM_WIN32(ERROR_ONLY_IF_CONNECTED);
    CopyBstr(g_folderPath, 64, path);
    if (wcscmp(g_folderPath, L"\\") != 0)
        return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    *folder = (ITaskFolder*)&g_folder;
    return S_OK;
}
static HRESULT STDMETHODCALLTYPE FakeService_NewTask(ITaskService* self, DWORD flags,
                                                     ITaskDefinition** definition)
{
    (void)self;
    if (!g_connected || flags != 0)
        return E_INVALIDARG;
    memset(&g_definition, 0, sizeof(g_definition));
    g_definition.logonType = 0xFFFFFFFF; // "never set" differs from every real value
    g_definition.runLevel = 0xFFFFFFFF;
    *definition = (ITaskDefinition*)&g_definitionObject;
    return S_OK;
}
static const ITaskServiceVtbl g_serviceVtbl = {
    FAKE_IUNKNOWN_SLOTS(ITaskService), .GetFolder = FakeService_GetFolder, .NewTask = FakeService_NewTask,
    .Connect = FakeService_Connect};
static FakeObject g_service = {&g_serviceVtbl, &IID_ITaskService, NULL};

// ---- class object ----
FAKE_IUNKNOWN(IClassFactory)
static HRESULT STDMETHODCALLTYPE FakeFactory_CreateInstance(IClassFactory* self, IUnknown* outer, REFIID riid,
                                                            void** out)
{
    (void)self;
    if (outer)
        return CLASS_E_NOAGGREGATION;
    return FakeQueryInterface(&g_service, riid, out);
}
static HRESULT STDMETHODCALLTYPE FakeFactory_LockServer(IClassFactory* self, BOOL lock)
{
    (void)self;
    (void)lock;
    return S_OK;
}
static const IClassFactoryVtbl g_factoryVtbl = {FAKE_IUNKNOWN_SLOTS(IClassFactory),
                                                .CreateInstance = FakeFactory_CreateInstance,
                                                .LockServer = FakeFactory_LockServer};
static FakeObject g_factory = {&g_factoryVtbl, &IID_IClassFactory, NULL};

long InstallFakeTaskScheduler(void)
{
    HRESULT hr = CoInitializeEx(NULL, COINIT_MULTITHREADED);
    if (FAILED(hr))
        return hr;
    DWORD cookie = 0;
    return CoRegisterClassObject(&CLSID_TaskScheduler, (IUnknown*)&g_factory, CLSCTX_INPROC_SERVER,
                                 REGCLS_MULTIPLEUSE, &cookie);
}
