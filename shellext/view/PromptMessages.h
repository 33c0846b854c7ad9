#pragma once
// Messages of dialog 111. The client posts the first two to the dialog whose handle it received
// with "NotifyCreatePluginWin"; the others the library posts to itself.
#include <windows.h>

namespace pellicor
{

constexpr UINT WM_PROMPT_ATTACH_WINDOW = WM_USER + 1; // second parameter: the client's panel window
constexpr UINT WM_PROMPT_SIGNED_OUT = WM_USER + 2;    // the user signed out: show the band again
constexpr UINT WM_PROMPT_DRAW_AVATAR = WM_USER + 3;   // draw the picture over its freshly painted frame
constexpr UINT WM_PROMPT_POLL_SIGN_IN = WM_USER + 4;  // from the poll timer; first parameter: its tag

} // namespace pellicor
