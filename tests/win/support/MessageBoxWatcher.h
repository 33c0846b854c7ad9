#pragma once
// Watches this process's message boxes from a thread of its own, so that a test can call code that
// shows a modal box on the test thread: every box is recorded (caption, text, icon, buttons, owner)
// and then closed with its OK button. The watcher stops when it goes away.
#include <windows.h>

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pellicor::test
{

struct SeenMessageBox
{
    std::wstring caption;
    std::wstring text;
    bool warningIcon = false; // the system's warning (exclamation) icon
    bool okOnly = false;      // an OK button and no other answer
    HWND owner = nullptr;
};

class MessageBoxWatcher
{
public:
    // Watches dialog boxes with this caption, or every dialog box of the process when empty.
    explicit MessageBoxWatcher(std::wstring caption = {});
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Seen() const;
    std::size_t Count() const;
    void Clear();

private:
    void Run();
    HWND FindBox() const;

    const std::wstring m_caption;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<SeenMessageBox> m_seen;
    std::thread m_thread;
};

} // namespace pellicor::test
