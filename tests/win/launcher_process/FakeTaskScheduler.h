#pragma once
// A Task Scheduler 2.0 service that only records: Wine's own scheduler (8.x) creates neither
// registration triggers nor run levels, so the tests register this one as the class object of the
// Task Scheduler in the helper process. Each registration is written to
// HKCU\Software\Pellicor\Test\FakeTaskScheduler\Tasks\<task name>, which survives the process.
#ifdef __cplusplus
extern "C"
{
#endif

    // Registers the class object for this process (the thread joins the multithreaded apartment and
    // stays in it). Returns an HRESULT.
    long InstallFakeTaskScheduler(void);

#ifdef __cplusplus
}

namespace pellicor::test
{
constexpr const wchar_t* kFakeSchedulerKey = L"Software\\Pellicor\\Test\\FakeTaskScheduler";
constexpr const wchar_t* kFakeSchedulerTasksKey = L"Software\\Pellicor\\Test\\FakeTaskScheduler\\Tasks";
} // namespace pellicor::test
#endif
