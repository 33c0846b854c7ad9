#pragma once
// The launcher's only report channel: dated lines in %APPDATA%\Pellicor\FileSync.log, rotated to
// FileSync.archieve.log at 10 MiB, each message also sent to the debugger output.

namespace drovana
{

void LogFormat(const char* format, ...); // narrow printf format; bytes written as they are
void LogFormatWide(const wchar_t* format,
                   ...); // UTF-16 printf format (%s takes a UTF-16 string); written as UTF-8
void LogWrite(const char* message);

} // namespace drovana
