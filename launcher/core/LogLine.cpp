#include "launcher/core/LogLine.h"

#include <cstdio>

namespace drovana
{

namespace
{
constexpr char32_t kReplacementCharacter = 0xFFFD;

bool IsHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

std::size_t Utf8Length(char32_t codePoint)
{
    if (codePoint < 0x80)
        return 1;
    if (codePoint < 0x800)
        return 2;
    if (codePoint < 0x10000)
        return 3;
    return 4;
}

void AppendUtf8(std::string& out, char32_t codePoint)
{
    if (codePoint < 0x80)
    {
        out += static_cast<char>(codePoint);
    }
    else if (codePoint < 0x800)
    {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    else if (codePoint < 0x10000)
    {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}
} // namespace

std::string FormatLogLine(const LogTime& time, std::string_view message)
{
    char stamp[96] = {};
    std::snprintf(stamp, sizeof(stamp), "%d-%d-%d, %d:%d:%d: ", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    if (message.size() > kMaxMessageBytes)
        message = message.substr(0, kMaxMessageBytes);

    std::string line(stamp);
    line.reserve(line.size() + message.size() + 2);
    for (char c : message)
    {
        if (c == '\n')
            line += '\r';
        line += c;
    }
    line += "\r\n";
    return line;
}

std::string FormatNarrowMessage(const char* format, std::va_list args)
{
    if (format == nullptr)
        return {};
    char buffer[kMaxMessageBytes + 1] = {};
    const int written = std::vsnprintf(buffer, sizeof(buffer), format, args);
    if (written < 0)
        return {};
    return std::string(buffer);
}

std::string Utf16ToUtf8Bounded(std::wstring_view units, std::size_t maxBytes)
{
    std::string out;
    for (std::size_t i = 0; i < units.size(); ++i)
    {
        char32_t codePoint = static_cast<char32_t>(units[i]);
        if (IsHighSurrogate(codePoint))
        {
            if (i + 1 == units.size())
                break;
            const char32_t next = static_cast<char32_t>(units[i + 1]);
            if (IsLowSurrogate(next))
            {
                codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (next - 0xDC00);
                ++i;
            }
            else
            {
                codePoint = kReplacementCharacter;
            }
        }
        else if (IsLowSurrogate(codePoint) || codePoint > 0x10FFFF)
        {
            codePoint = kReplacementCharacter;
        }

        if (out.size() + Utf8Length(codePoint) > maxBytes)
            break;
        AppendUtf8(out, codePoint);
    }
    return out;
}

} // namespace drovana
