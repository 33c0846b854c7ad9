#pragma once
// A timer of the default timer queue whose callback does exactly one thing: post a message to a
// window of the Explorer thread. The work then runs on that thread, so the per-window state is never
// touched by two threads, and stopping the timer may wait for a running callback without any risk of
// a hang (the callback never waits for anything).
#include <windows.h>

namespace pellicor
{

class PostingTimer
{
public:
    PostingTimer() noexcept = default;
    PostingTimer(const PostingTimer&) = delete;
    PostingTimer& operator=(const PostingTimer&) = delete;
    ~PostingTimer() { Stop(); }

    // Stops the running timer, then posts `message` to `target` after dueMs and, with a period, every
    // periodMs after that. The message's first parameter is a tag that names this start, so that a
    // message still queued from an earlier start can be told apart (IsFrom).
    bool Start(HWND target, UINT message, DWORD dueMs, DWORD periodMs) noexcept;

    // Deletes the timer and waits for a callback that is running; afterwards nothing is posted.
    void Stop() noexcept;

    bool IsRunning() const noexcept { return m_timer != nullptr; }

    // True when a message with this tag was posted by the timer as it is currently started.
    bool IsFrom(WPARAM tag) const noexcept { return m_timer != nullptr && tag == m_post.tag; }

private:
    struct Post
    {
        HWND target = nullptr;
        UINT message = 0;
        WPARAM tag = 0;
    };

    static void CALLBACK Fire(PVOID context, BOOLEAN) noexcept;

    HANDLE m_timer = nullptr;
    Post m_post; // written only while no timer exists, read only by its callback
};

} // namespace pellicor
