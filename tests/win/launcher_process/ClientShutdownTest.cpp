// Closing the client and the document editor: WM_CLOSE first, termination only after the last try.
// The client is the stand-in, copied as drovana.exe, with a main window that closes on the first,
// the n-th or no WM_CLOSE and records every one it gets.
#include "launcher/Shutdown.h"

#include "tests/win/launcher_process/ChildProcess.h"
#include "tests/win/launcher_process/TestLogSink.h"
#include "tests/win/support/TestPaths.h"

#include <gtest/gtest.h>

namespace
{

using namespace pellicor::test;
using namespace pellicor::test::process;
using pellicor::UniqueKernelHandle;

constexpr const wchar_t* kClientClass = L"wxWindowNR";
constexpr const wchar_t* kClientTitle = L"Pellicor.StorageClient.MainWindow";
constexpr const wchar_t* kEditorTitle = L"pellicor.quick_pen.main_window";

class ClientShutdown : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_standIn.Copy());
        TakeLogLines();
    }

    // The stand-in on a pipe of its own, so that it never answers another test's shell extension.
    UniqueKernelHandle StartClient(const std::wstring& switches)
    {
        return StartProcess(m_client,
                            L"drovana.exe --quiet --pipe \\\\.\\pipe\\pellicor-launcher-process --record \"" +
                                m_record + L"\" " + switches);
    }

    static DWORD ExitCodeAfterExit(HANDLE process)
    {
        EXPECT_EQ(::WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
        DWORD code = 0;
        ::GetExitCodeProcess(process, &code);
        return code;
    }

    StandInClient m_standIn;
    const std::wstring& m_client = m_standIn.path;
    const std::wstring& m_record = m_standIn.record;
};

TEST_F(ClientShutdown, NoWindowMeansNothingIsSentAndNothingKilled)
{
    // A drovana.exe without its main window (still starting, or another tool of that name) is left alone.
    UniqueKernelHandle client = StartClient(L"");
    ASSERT_TRUE(client);
    ASSERT_EQ(::WaitForSingleObject(client.get(), 500), static_cast<DWORD>(WAIT_TIMEOUT));

    EXPECT_TRUE(drovana::CloseClient());
    EXPECT_TRUE(drovana::CloseEditor());
    EXPECT_EQ(::WaitForSingleObject(client.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Names compare without regard to case; the killed process ends with exit code 1.
    EXPECT_FALSE(drovana::KillProcessByName(nullptr));
    EXPECT_TRUE(drovana::KillProcessByName(L"DROVANA.EXE"));
    EXPECT_EQ(ExitCodeAfterExit(client.get()), 1u);
    EXPECT_TRUE(TakeLogLines().empty());
}

TEST_F(ClientShutdown, ClientThatClosesOnTheThirdMessageGetsExactlyThree)
{
    UniqueKernelHandle client = StartClient(L"--main-window 3");
    ASSERT_TRUE(client);
    ASSERT_TRUE(WaitForWindow(kClientClass, kClientTitle));

    EXPECT_TRUE(drovana::CloseClient());
    EXPECT_EQ(ExitCodeAfterExit(client.get()), 0u); // closed by itself, not killed
    const StandInRecord record = ReadStandInRecord(m_record);
    EXPECT_EQ(record.closeMessages, 3);
}

// A window that never closes gets every attempt, then its process is killed. A window with the
// client's title but another class is not the client and gets nothing.
LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CLOSE)
    {
        auto* count = reinterpret_cast<int*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        ++*count;
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ClientShutdown, ClientThatIgnoresCloseGetsThirtyAndIsKilled)
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingWindowProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PellicorTestLookalike";
    ::RegisterClassW(&windowClass);
    pellicor::UniqueWindow lookalike(::CreateWindowExW(0, windowClass.lpszClassName, kClientTitle,
                                                       WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                                       windowClass.hInstance, nullptr));
    ASSERT_TRUE(lookalike);
    int lookalikeCloses = 0;
    ::SetWindowLongPtrW(lookalike.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&lookalikeCloses));

    UniqueKernelHandle client = StartClient(L"--main-window never");
    ASSERT_TRUE(client);
    ASSERT_TRUE(WaitForWindow(kClientClass, kClientTitle));

    EXPECT_TRUE(drovana::CloseClient());
    EXPECT_EQ(ExitCodeAfterExit(client.get()), 1u);
    EXPECT_EQ(ReadStandInRecord(m_record).closeMessages, 30);
    EXPECT_EQ(lookalikeCloses, 0);
    EXPECT_TRUE(::IsWindow(lookalike.get()));
    EXPECT_TRUE(TakeLogLines().empty());
}

// The editor's main window is a dialog; this one lives on the test's thread and counts its messages.
struct EditorDialog
{
    int closeMessages = 0;
    bool closes = true;
};

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
    {
        ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        ::SetWindowTextW(dialog, kEditorTitle);
        return TRUE;
    }
    if (message == WM_CLOSE)
    {
        auto* state = reinterpret_cast<EditorDialog*>(::GetWindowLongPtrW(dialog, DWLP_USER));
        ++state->closeMessages;
        if (state->closes)
            ::DestroyWindow(dialog);
        return TRUE;
    }
    return FALSE;
}

HWND CreateEditorDialog(EditorDialog* state)
{
    alignas(4) static const WORD kTemplate[] = {
        LOWORD(WS_POPUP), HIWORD(WS_POPUP), 0, 0, 0, 0, 0, 10, 10, 0, 0, 0, 0, 0};
    return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr),
                                        reinterpret_cast<LPCDLGTEMPLATEW>(kTemplate), nullptr,
                                        EditorDialogProc, reinterpret_cast<LPARAM>(state));
}

TEST_F(ClientShutdown, EditorDialogIsClosedOrTriedFortyTimes)
{
    EditorDialog polite;
    HWND first = CreateEditorDialog(&polite);
    ASSERT_TRUE(first);
    ASSERT_EQ(::FindWindowW(L"#32770", kEditorTitle), first);
    EXPECT_TRUE(drovana::CloseEditor());
    EXPECT_EQ(polite.closeMessages, 1);
    EXPECT_FALSE(::IsWindow(first));

    EditorDialog stubborn;
    stubborn.closes = false;
    pellicor::UniqueWindow second(CreateEditorDialog(&stubborn));
    ASSERT_TRUE(second);
    drovana::CloseEditor(); // no Quickpen.exe to kill here
    EXPECT_EQ(stubborn.closeMessages, 40);
}

} // namespace
