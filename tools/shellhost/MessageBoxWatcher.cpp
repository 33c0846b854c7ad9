#include "tools/shellhost/MessageBoxWatcher.h"

#include <algorithm>
#include <utility>

namespace pellicor::shellhost
{

namespace
{
constexpr wchar_t kDialogClass[] = L"#32770";
constexpr int kMessageTextId = 0xFFFF; // the static control that holds a message box's text
constexpr DWORD kPollMs = 20;

std::wstring WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param)
{
    wchar_t className[16] = {};
    if (::GetClassNameW(window, className, ARRAYSIZE(className)) && wcscmp(className, kDialogClass) == 0 &&
        ::IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}
} // namespace

MessageBoxWatcher::MessageBoxWatcher(DWORD threadId, bool closeBoxes)
    : m_threadId(threadId), m_closeBoxes(closeBoxes), m_thread([this] { Run(); })
{
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Take()
{
    // A box that was open when the call returned has been read: the call cannot return before the box
    // is closed, and the watcher reads a box before it closes it.
    std::lock_guard<std::mutex> guard(m_lock);
    return std::exchange(m_seen, {});
}

void MessageBoxWatcher::Run()
{
    while (!m_stop)
    {
        try
        {
            Look();
        }
        catch (...)
        {
            // Out of memory while recording: keep watching, the box is still closed next round.
        }
        ::Sleep(kPollMs);
    }
}

void MessageBoxWatcher::Look()
{
    std::vector<HWND> dialogs;
    ::EnumThreadWindows(m_threadId, CollectDialogs, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND box : dialogs)
    {
        if (std::find(m_handled.begin(), m_handled.end(), box) != m_handled.end())
        {
            if (m_closeBoxes)
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            continue;
        }
        SeenMessageBox seen{WindowText(box), WindowText(::GetDlgItem(box, kMessageTextId))};
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_seen.push_back(std::move(seen));
        }
        m_handled.push_back(box);
        if (m_closeBoxes)
            ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }
    // Forget boxes that are gone: a later box may reuse a handle value.
    m_handled.erase(std::remove_if(m_handled.begin(), m_handled.end(), [](HWND h) { return !::IsWindow(h); }),
                    m_handled.end());
}

} // namespace pellicor::shellhost
