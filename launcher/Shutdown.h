#pragma once
// Process and file chores of installation and removal: ending Explorer so that the shell reloads the
// registration, closing the client and the document editor, and deleting the product's shortcuts.

namespace drovana
{

// Ends every Explorer process of the launcher's session (of every session when it has none); the
// platform starts the shell again. The result of the last attempt.
bool RestartExplorer();
// Closes the program's main window politely, then kills the program after a bounded number of tries;
// no window keeps the launcher waiting long (see ClientShutdown.cpp).
bool CloseClient();
bool CloseEditor();
// Terminates every process with this image name (case-insensitive) in the launcher's session (every
// session when it has none) with exit code 1.
bool KillProcessByName(const wchar_t* imageName);
// Deletes the product's shortcuts from the interactive user's Links and SendTo folders; preferredSid
// (the command line's SID, or null) picks that user's Explorer when several users are signed in.
bool DeleteShortcut(const wchar_t* preferredSid = nullptr);

} // namespace drovana
