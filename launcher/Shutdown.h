#pragma once

namespace drovana
{

bool RestartExplorer();
bool CloseClient();
bool CloseEditor();
bool KillProcessByName(const wchar_t* imageName);
bool DeleteShortcut();

} // namespace drovana
