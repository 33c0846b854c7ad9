#pragma once
// The launcher log's line format and message sizes. A line is "Y-M-D, h:m:s: message" in local time,
// numbers without leading zeros, ending in CR LF on disk as a text-mode file would have it.
#include <cstdarg>
#include <cstdint>
#include <string>
#include <string_view>

namespace drovana
{

// At most this many bytes of message text go into one line.
constexpr std::size_t kMaxMessageBytes = 1023;
// A UTF-16 message is formatted into this many units, terminator included, before conversion.
constexpr std::size_t kWideMessageUnits = 1024;
// A log that has reached this size after a write is moved aside to the archive.
constexpr std::uint64_t kLogRotationBytes = 10485760;

struct LogTime
{
    int year;
    int month; // 1 to 12
    int day;
    int hour; // 0 to 23
    int minute;
    int second;
};

// The line as it lies on disk: the message (cut to kMaxMessageBytes) after the time stamp, and every
// line feed, the final one included, written as CR LF.
std::string FormatLogLine(const LogTime& time, std::string_view message);

// printf into at most kMaxMessageBytes bytes; a longer result is cut, a bad format gives "".
std::string FormatNarrowMessage(const char* format, std::va_list args);

// UTF-8 form of UTF-16 text (one code unit per element) in at most maxBytes bytes, cut before the
// first character that does not fit whole. An unpaired surrogate becomes U+FFFD, except a high
// surrogate at the very end: that is half a pair cut off by the formatter and is dropped.
std::string Utf16ToUtf8Bounded(std::wstring_view units, std::size_t maxBytes);

inline bool LogNeedsRotation(std::uint64_t sizeAfterWrite)
{
    return sizeAfterWrite >= kLogRotationBytes;
}

} // namespace drovana
