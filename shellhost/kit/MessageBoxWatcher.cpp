#include "shellhost/kit/MessageBoxWatcher.h"

#include <algorithm>
#include <utility>

namespace pellicor::shellkit
{

namespace
{

constexpr DWORD kPollMs = 10;

std::wstring WindowText(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

bool HasClass(HWND window, const wchar_t* className)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return ::lstrcmpiW(name, className) == 0;
}

struct Statics
{
    HWND text = nullptr;
    HWND icon = nullptr;
};

BOOL CALLBACK CollectStatic(HWND child, LPARAM param)
{
    auto* statics = reinterpret_cast<Statics*>(param);
    if (!HasClass(child, L"Static"))
        return TRUE;
    if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
    {
        if (!statics->icon)
            statics->icon = child;
    }
    else if (!statics->text)
    {
        statics->text = child;
    }
    return TRUE;
}

SeenMessageBox Describe(HWND box)
{
    SeenMessageBox seen;
    seen.caption = WindowText(box);
    Statics statics;
    ::EnumChildWindows(box, CollectStatic, reinterpret_cast<LPARAM>(&statics));
    if (statics.text)
        seen.text = WindowText(statics.text);
    if (statics.icon)
    {
        const auto icon = reinterpret_cast<HICON>(::SendMessageW(statics.icon, STM_GETICON, 0, 0));
        seen.warningIcon = icon && icon == ::LoadIconW(nullptr, IDI_WARNING);
    }
    auto visible = [box](int id)
    {
        HWND button = ::GetDlgItem(box, id);
        return button && ::IsWindowVisible(button);
    };
    seen.okOnly = visible(IDOK) && !visible(IDCANCEL) && !visible(IDYES) && !visible(IDNO) &&
                  !visible(IDABORT) && !visible(IDRETRY) && !visible(IDIGNORE);
    seen.owner = ::GetWindow(box, GW_OWNER);
    return seen;
}

struct Search
{
    const WatchOptions* options;
    std::vector<HWND> found;
};

// Visible means the box has finished its set-up: caption, text and buttons are in place.
BOOL CALLBACK MatchBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !HasClass(window, L"#32770") || !::IsWindowVisible(window))
        return TRUE;
    if (search->options->threadId != 0 && thread != search->options->threadId)
        return TRUE;
    if (!search->options->caption.empty() && WindowText(window) != search->options->caption)
        return TRUE;
    search->found.push_back(window);
    return TRUE;
}

void ClickOk(HWND box)
{
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
}

} // namespace

MessageBoxWatcher::MessageBoxWatcher(WatchOptions options) : m_options(std::move(options))
{
    m_thread = std::thread([this] { Run(); });
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const
{
    std::lock_guard lock(m_mutex);
    return m_seen;
}

std::size_t MessageBoxWatcher::Count() const
{
    std::lock_guard lock(m_mutex);
    return m_seen.size();
}

void MessageBoxWatcher::Clear()
{
    std::lock_guard lock(m_mutex);
    m_seen.clear();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Take()
{
    std::lock_guard lock(m_mutex);
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
            // Out of memory while recording: keep watching; the box is still closed next round.
        }
        ::Sleep(kPollMs);
    }
}

void MessageBoxWatcher::Look()
{
    Search search{&m_options, {}};
    ::EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    for (HWND box : search.found)
    {
        if (std::find(m_handled.begin(), m_handled.end(), box) != m_handled.end())
            continue;
        SeenMessageBox seen = Describe(box);
        {
            std::lock_guard lock(m_mutex);
            m_seen.push_back(std::move(seen));
        }
        m_handled.push_back(box);
        // Recorded before it is closed. One click: a second one would reach a box that is already
        // ending and delay its close.
        if (m_options.closeBoxes)
            ClickOk(box);
    }
    // Forget boxes that are gone: a later box may reuse a handle value.
    std::erase_if(m_handled, [](HWND h) { return !::IsWindow(h); });
}

} // namespace pellicor::shellkit
