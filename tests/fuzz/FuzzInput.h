#pragma once
// What the fuzz targets share: a failed check aborts (libFuzzer keeps the input), and the input read
// as UTF-16 text or as a stream of small decisions.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace fuzz
{

inline void Check(bool condition)
{
    if (!condition)
        std::abort();
}

// The bytes as UTF-16 units, two bytes each (a last odd byte is dropped); the unit FFFF starts the
// next string.
inline std::vector<std::wstring> SplitUnits(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::wstring> fields(1);
    for (std::size_t i = 0; i + 1 < size; i += 2)
    {
        const unsigned unit = data[i] | data[i + 1] << 8;
        if (unit == 0xFFFF)
            fields.emplace_back();
        else
            fields.back().push_back(static_cast<wchar_t>(unit));
    }
    return fields;
}

// Hands the input out piece by piece; once it runs dry every answer is 0, false or empty.
class Cursor
{
public:
    Cursor(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    bool Bit() { return (Byte() & 1) != 0; }
    std::uint32_t Uint32()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return value;
    }
    // A string of up to `longest` UTF-16 units, its length taken first.
    std::wstring Text(std::size_t longest)
    {
        const std::size_t length = Byte() % (longest + 1);
        std::wstring text;
        for (std::size_t i = 0; i < length && m_at + 1 < m_size; ++i)
        {
            text.push_back(static_cast<wchar_t>(m_data[m_at] | m_data[m_at + 1] << 8));
            m_at += 2;
        }
        return text;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace fuzz
