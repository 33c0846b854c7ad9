#pragma once
// Watches one thread for message boxes while it lives: reads each box's caption and text and, when
// asked, closes it, so that a copy hook's warning can be printed on a machine where nobody is at the
// screen. A hook's box is modal and blocks the thread that called the hook, so the watcher has its own.
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pellicor::shellhost
{

struct SeenMessageBox
{
    std::wstring caption;
    std::wstring text;
};

class MessageBoxWatcher
{
public:
    MessageBoxWatcher(DWORD threadId, bool closeBoxes);
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Take(); // boxes seen since the last call

private:
    void Run();
    void Look();

    const DWORD m_threadId;
    const bool m_closeBoxes;
    std::atomic<bool> m_stop{false};
    std::mutex m_lock;
    std::vector<SeenMessageBox> m_seen;
    std::vector<HWND> m_handled; // boxes already read (and closed if asked), not to be read twice
    std::thread m_thread;
};

} // namespace pellicor::shellhost
