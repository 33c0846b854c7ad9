#pragma once
// Watches this process's message boxes from a thread of its own. A copy hook's warning is modal and
// blocks the thread that called the hook, so whoever plays Explorer (the shell host, a test) needs a
// second thread to read the box and, when asked, to close it with its OK button.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pellicor::shellkit
{

struct SeenMessageBox
{
    std::wstring caption;
    std::wstring text;
    bool warningIcon = false; // the system's warning (exclamation) icon
    bool okOnly = false;      // an OK button and no other answer
    HWND owner = nullptr;
};

struct WatchOptions
{
    std::wstring caption;   // only boxes with this caption; empty: every box
    DWORD threadId = 0;     // only boxes of this thread; 0: every thread of the process
    bool closeBoxes = true; // click OK once a box has been read
};

class MessageBoxWatcher
{
public:
    explicit MessageBoxWatcher(WatchOptions options = {});
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    // Every box is read once, before it is closed, so a call that showed a box finds it here once
    // the call has returned.
    std::vector<SeenMessageBox> Seen() const;
    std::size_t Count() const;
    void Clear();
    std::vector<SeenMessageBox> Take(); // the boxes seen since the last Take or Clear

private:
    void Run();
    void Look();

    const WatchOptions m_options;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<SeenMessageBox> m_seen;
    std::vector<HWND> m_handled; // boxes already read; only the watcher thread touches it
    std::thread m_thread;
};

} // namespace pellicor::shellkit
