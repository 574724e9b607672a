#include "payload/Utf16.h"

#include <cstdint>

namespace sv {

Utf16String Utf16FromUtf8(std::string_view text) {
    Utf16String out;
    out.reserve(text.size());
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = byte(i);
        std::uint32_t cp = 0xFFFD;
        std::size_t length = 1;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xF4) {
            length = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            std::uint32_t value = lead & (0x3F >> (length - 1));
            bool ok = i + length <= text.size();
            for (std::size_t k = 1; ok && k < length; ++k) {
                ok = (byte(i + k) & 0xC0) == 0x80;
                value = (value << 6) | (byte(i + k) & 0x3F);
            }
            const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
            if (ok && value >= minimum[length] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF)) {
                cp = value;
            } else {
                length = 1;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<Utf16Char>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<Utf16Char>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<Utf16Char>(cp));
        }
        i += length;
    }
    return out;
}

std::string Utf8FromUtf16(Utf16View text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = static_cast<std::uint16_t>(text[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t low = static_cast<std::uint16_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if (cp >= 0xD800 && cp <= 0xDFFF) cp = 0xFFFD;  // unpaired surrogate
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

}  // namespace sv
