#include "tests/win/support/MessageBoxWatcher.h"

namespace pellicor::test
{

namespace
{

constexpr DWORD kPollMs = 10;
constexpr DWORD kCloseWaitMs = 5000;

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
    const std::wstring* caption;
    HWND found = nullptr;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<Search*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    if (process != ::GetCurrentProcessId() || !HasClass(window, L"#32770") || !::IsWindowVisible(window))
        return TRUE;
    if (!search->caption->empty() && WindowText(window) != *search->caption)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

MessageBoxWatcher::MessageBoxWatcher(std::wstring caption) : m_caption(std::move(caption))
{
    m_thread = std::thread([this] { Run(); });
}

MessageBoxWatcher::~MessageBoxWatcher()
{
    m_stop = true;
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

// Visible means the box has finished its set-up: caption, text and buttons are in place.
HWND MessageBoxWatcher::FindBox() const
{
    Search search{&m_caption};
    ::EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void MessageBoxWatcher::Run()
{
    while (!m_stop)
    {
        HWND box = FindBox();
        if (!box)
        {
            ::Sleep(kPollMs);
            continue;
        }
        SeenMessageBox seen = Describe(box);
        {
            std::lock_guard lock(m_mutex);
            m_seen.push_back(std::move(seen));
        }
        // Recorded before it is closed, so the caller finds it in Seen() once its call returns.
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
        for (DWORD waited = 0; ::IsWindow(box) && waited < kCloseWaitMs; waited += kPollMs)
            ::Sleep(kPollMs);
    }
}

} // namespace pellicor::test
