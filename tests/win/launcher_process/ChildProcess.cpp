#include "tests/win/launcher_process/ChildProcess.h"

#include "launcher/ProcessToken.h"
#include "tests/win/launcher_process/TestLogSink.h"

#include <tlhelp32.h>

#include <memory>
#include <sstream>

namespace pellicor::test::process
{

namespace
{
std::unique_ptr<wchar_t[]> Writable(const std::wstring& text)
{
    auto copy = std::make_unique<wchar_t[]>(text.size() + 1);
    text.copy(copy.get(), text.size());
    copy[text.size()] = L'\0';
    return copy;
}
} // namespace

ChildResult RunChild(const std::wstring& application, const std::wstring& commandLine, DWORD timeoutMs)
{
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    UniqueKernelHandle readEnd, writeEnd;
    if (!::CreatePipe(readEnd.put(), writeEnd.put(), &inherit, 0))
        return result;
    ::SetHandleInformation(readEnd.get(), HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION info{};
    auto line = Writable(commandLine);
    if (!::CreateProcessW(application.c_str(), line.get(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                          &startup, &info))
        return result;
    UniqueKernelHandle process(info.hProcess), thread(info.hThread);
    writeEnd.reset();
    result.started = true;

    // The pipe is drained while the child runs, so that a talkative child never blocks on a full pipe.
    // Only what is there is read: a process that the child started (Wine's desktop, a client) may hold
    // the pipe open long after the child has gone.
    auto drain = [&]
    {
        DWORD available = 0;
        char buffer[4096];
        while (::PeekNamedPipe(readEnd.get(), nullptr, 0, nullptr, &available, nullptr) && available > 0)
        {
            DWORD read = 0;
            if (!::ReadFile(readEnd.get(), buffer, sizeof(buffer) < available ? sizeof(buffer) : available,
                            &read, nullptr) ||
                read == 0)
                break;
            result.output.append(buffer, read);
        }
    };
    const ULONGLONG begin = ::GetTickCount64();
    while (::WaitForSingleObject(process.get(), 10) == WAIT_TIMEOUT)
    {
        drain();
        if (::GetTickCount64() - begin > timeoutMs)
        {
            ::TerminateProcess(process.get(), 0xDEAD);
            ::WaitForSingleObject(process.get(), 5000);
            break;
        }
    }
    drain();
    ::GetExitCodeProcess(process.get(), &result.exitCode);
    return result;
}

UniqueKernelHandle StartChild(const std::wstring& application, const std::wstring& commandLine)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    auto line = Writable(commandLine);
    if (!::CreateProcessW(application.c_str(), line.get(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info))
        return {};
    ::CloseHandle(info.hThread);
    return UniqueKernelHandle(info.hProcess);
}

std::vector<std::string> EchoedLogLines(const std::string& output)
{
    std::vector<std::string> lines;
    std::istringstream in(output);
    std::string line;
    const std::string prefix = kLogEchoPrefix;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind(prefix, 0) == 0)
            lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}

TempFolder::TempFolder()
{
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"pellicor-lp-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(::GetTickCount()) + L"\\";
    ::CreateDirectoryW(m_path.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    WIN32_FIND_DATAW found{};
    UniqueFind find(::FindFirstFileW((m_path + L"*").c_str(), &found));
    if (find)
    {
        do
        {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((m_path + name).c_str());
        } while (::FindNextFileW(find.get(), &found));
    }
    find.reset();
    ::RemoveDirectoryW(m_path.c_str());
}

bool ProcessRuns(const wchar_t* imageName)
{
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry))
    {
        if (drovana::ImageNameEquals(entry.szExeFile, imageName))
            return true;
    }
    return false;
}

std::string ReadTextFile(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file)
        return {};
    std::string text;
    char buffer[4096];
    DWORD read = 0;
    while (::ReadFile(file.get(), buffer, sizeof(buffer), &read, nullptr) && read > 0)
        text.append(buffer, read);
    return text;
}

StandInRecord ReadStandInRecord(const std::wstring& path)
{
    StandInRecord record;
    std::istringstream in(ReadTextFile(path));
    std::string line;
    while (std::getline(in, line))
    {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("cmdline: ", 0) == 0)
            record.commandLines.push_back(line.substr(9));
        else if (line.rfind("WM_CLOSE ", 0) == 0)
            ++record.closeMessages;
    }
    return record;
}

bool WaitForWindow(const wchar_t* windowClass, const wchar_t* title, DWORD timeoutMs)
{
    const ULONGLONG start = ::GetTickCount64();
    while (!::FindWindowW(windowClass, title))
    {
        if (::GetTickCount64() - start > timeoutMs)
            return false;
        ::Sleep(20);
    }
    return true;
}

bool FileExists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string out(size, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                          nullptr);
    return out;
}

} // namespace pellicor::test::process
