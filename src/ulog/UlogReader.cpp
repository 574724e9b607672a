#include "ulog/UlogReader.h"

#include <array>
#include <climits>
#include <cstdint>

#include "ulog/UlogWriter.h"

namespace sv {
namespace {

constexpr Utf16View kVersionLabel = SV_UTF16("Uninstall Log File v");
constexpr Utf16View kInstallLabel = SV_UTF16("Install");
constexpr Utf16View kInstallPathLabel = SV_UTF16("Install Path : ");
constexpr Utf16View kShortcutPathLabel = SV_UTF16("Shortcut Path : ");
constexpr Utf16View kEntrySeparator = SV_UTF16("--");

constexpr bool IsSpace(Utf16Char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

void TrimRight(Utf16String& text) {
    while (!text.empty() && IsSpace(text.back())) text.pop_back();
}
void TrimLeft(Utf16String& text) {
    std::size_t first = 0;
    while (first < text.size() && IsSpace(text[first])) ++first;
    text.erase(0, first);
}

// Windows-1252 for bytes 0x80 to 0x9F; the five undefined ones keep their value.
constexpr std::array<std::uint16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Strict UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF); false when invalid.
bool DecodeUtf8(std::string_view bytes, Utf16String& out) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        std::uint32_t cp = 0;
        std::size_t extra = 0;
        std::uint32_t minimum = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            cp = lead & 0x1Fu, extra = 1, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            cp = lead & 0x0Fu, extra = 2, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            cp = lead & 0x07u, extra = 3, minimum = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i - 1 < extra) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0u) != 0x80u) return false;
            cp = (cp << 6) | (next & 0x3Fu);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<Utf16Char>(0xD800 + (cp >> 10));
            out += static_cast<Utf16Char>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<Utf16Char>(cp);
        }
        i += 1 + extra;
    }
    return true;
}

// A field reader over an entry line, in the manner of a formatted input stream.
class FieldCursor {
public:
    explicit FieldCursor(Utf16View text) : text_(text) {}

    void SkipSpace() {
        while (pos_ < text_.size() && IsSpace(text_[pos_])) ++pos_;
    }

    // An optionally signed integer in base 10 or 16 (which may start with "0x").
    bool Integer(int base, long long& value) {
        SkipSpace();
        bool negative = false;
        if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) negative = text_[pos_++] == '-';
        if (base == 16 && pos_ + 2 < text_.size() && text_[pos_] == '0' &&
            (text_[pos_ + 1] == 'x' || text_[pos_ + 1] == 'X') && Digit(text_[pos_ + 2], 16) >= 0) {
            pos_ += 2;
        }
        const std::size_t first = pos_;
        long long magnitude = 0;
        for (int d; pos_ < text_.size() && (d = Digit(text_[pos_], base)) >= 0; ++pos_) {
            magnitude = magnitude * base + d;
            if (magnitude > static_cast<long long>(INT_MAX) + 1) return false;  // out of int's range
        }
        if (pos_ == first) return false;
        value = negative ? -magnitude : magnitude;
        return value >= INT_MIN && value <= INT_MAX;
    }

    bool Character(Utf16Char& c) {
        SkipSpace();
        if (pos_ >= text_.size()) return false;
        c = text_[pos_++];
        return true;
    }

    Utf16View Token() {
        SkipSpace();
        const std::size_t first = pos_;
        while (pos_ < text_.size() && !IsSpace(text_[pos_])) ++pos_;
        return text_.substr(first, pos_ - first);
    }

    Utf16View Rest() {
        SkipSpace();
        return text_.substr(pos_);
    }

private:
    static int Digit(Utf16Char c, int base) {
        if (c >= '0' && c <= '9') return c - '0';
        if (base == 16 && c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (base == 16 && c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    Utf16View text_;
    std::size_t pos_ = 0;
};

// A decimal number at the start of text, as the runtime's text-to-integer conversion reads it:
// leading white space, a sign, digits; 0 when there are none; saturated at int's limits.
int LeadingDecimal(Utf16View text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// The value after a header label. A label whose trailing space was trimmed with the line's end
// (the value was empty when written) gives an empty value. False when the label is absent.
bool LabelledValue(Utf16String text, Utf16View label, Utf16String& value) {
    const std::size_t pos = text.find(label);
    if (pos != Utf16String::npos) {
        text.erase(pos, label.size());
    } else {
        const Utf16View bare = label.substr(0, label.size() - 1);  // without its trailing space
        if (text.size() < bare.size() || Utf16View(text).substr(text.size() - bare.size()) != bare) return false;
        text.erase(text.size() - bare.size());
    }
    TrimLeft(text);
    TrimRight(text);
    value = std::move(text);
    return true;
}

}  // namespace

Utf16String WidenNarrowLine(std::string_view bytes) {
    Utf16String text;
    if (DecodeUtf8(bytes, text)) return text;
    text.clear();
    for (const char byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        text += static_cast<Utf16Char>(b >= 0x80 && b <= 0x9F ? kCp1252High[b - 0x80] : b);
    }
    return text;
}

bool UlogReader::Feed(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size() && !Ended(); ++i) {
        if (encoding_ == Encoding::undecided) {
            start_ += bytes[i];
            DecideEncoding(false);
        } else {
            TakeByte(bytes[i]);
        }
    }
    return !Ended();
}

void UlogReader::DecideEncoding(bool atEnd) {
    const bool utf16 = start_.size() >= 2 && start_[0] == '\xFF' && start_[1] == '\xFE';
    const bool utf8Mark = start_.size() >= 3 && start_.compare(0, 3, "\xEF\xBB\xBF") == 0;
    // What has come so far may still grow into one of the two marks.
    const bool markPrefix = start_ == "\xFF" || start_ == "\xEF" || start_ == "\xEF\xBB";
    std::size_t skip = 0;
    if (utf16) {
        encoding_ = Encoding::utf16, skip = 2;
    } else if (utf8Mark) {
        encoding_ = Encoding::narrow, skip = 3;
    } else if (atEnd || !markPrefix) {
        encoding_ = Encoding::narrow;
    } else {
        return;
    }
    const std::string pending = start_.substr(skip);
    start_.clear();
    lineBytes_ = skip;
    for (const char byte : pending) {
        if (Ended()) break;
        TakeByte(byte);
    }
}

void UlogReader::TakeByte(char byte) {
    raw_ += byte;
    if (++lineBytes_ > kUlogLineLimitBytes) {
        stop_ = UlogStop::lineTooLong;
        return;
    }
    if (encoding_ == Encoding::narrow) {
        if (byte == '\n') EndLine();
    } else if (raw_.size() % 2 == 0 && raw_[raw_.size() - 2] == '\n' && raw_.back() == '\0') {
        EndLine();
    }
}

Utf16String UlogReader::DecodeLine() const {
    Utf16String line;
    if (encoding_ == Encoding::narrow) {
        line = WidenNarrowLine(raw_);
    } else {
        line.reserve(raw_.size() / 2);
        for (std::size_t i = 0; i + 1 < raw_.size(); i += 2) {  // an odd last byte is no code unit
            line += static_cast<Utf16Char>(static_cast<unsigned char>(raw_[i]) |
                                           (static_cast<unsigned char>(raw_[i + 1]) << 8));
        }
    }
    return line;
}

void UlogReader::EndLine() {
    Utf16String line = DecodeLine();
    raw_.clear();
    lineBytes_ = 0;
    ProcessLine(std::move(line));
}

void UlogReader::Finish() {
    if (Ended()) return;
    if (encoding_ == Encoding::undecided) DecideEncoding(true);
    if (Ended()) return;
    // A last line without its line end was cut off (a write that stopped part-way): what is left
    // of it could name another path, so it is not read.
    Utf16String rest = DecodeLine();
    TrimRight(rest);
    stop_ = rest.empty() ? UlogStop::endOfFile : UlogStop::cutLine;
}

void UlogReader::ProcessLine(Utf16String line) {
    if (line.find(Utf16Char(0)) != Utf16String::npos) {
        stop_ = UlogStop::nulCharacter;
        return;
    }
    TrimRight(line);
    if (line.empty()) return;
    if (line.size() >= 2 && line[0] == '/' && line[1] == '/') {
        ProcessComment(std::move(line));
    } else {
        ProcessEntry(line);
    }
    ++lineIndex_;
}

void UlogReader::ProcessComment(Utf16String text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] == '/') ++first;
    while (first < text.size() && IsSpace(text[first])) ++first;
    text.erase(0, first);

    switch (lineIndex_) {
    case 0: {
        const std::size_t pos = text.find(kVersionLabel);
        if (pos != Utf16String::npos) {
            text.erase(pos, kVersionLabel.size());
            result_.version = LeadingDecimal(Utf16View(text).substr(pos));
        }
        if (result_.version != 1) stop_ = UlogStop::badVersion;
        break;
    }
    case 2: {
        const std::size_t pos = text.find(kInstallLabel);
        if (pos == Utf16String::npos) {
            stop_ = UlogStop::badHeader;
            break;
        }
        text.erase(pos, kInstallLabel.size());
        if (const std::size_t cut = text.find(kEntrySeparator); cut != Utf16String::npos) text.erase(cut);
        TrimLeft(text);
        TrimRight(text);
        result_.installText = std::move(text);
        break;
    }
    case 3:
        if (!LabelledValue(std::move(text), kInstallPathLabel, result_.installPath)) stop_ = UlogStop::badHeader;
        break;
    case 4:
        if (!LabelledValue(std::move(text), kShortcutPathLabel, result_.shortcutPath)) stop_ = UlogStop::badHeader;
        break;
    default:
        break;
    }
}

void UlogReader::ProcessEntry(Utf16View line) {
    if (result_.version != 1) {
        stop_ = UlogStop::badVersion;
        return;
    }
    FieldCursor cursor(line);
    long long index = 0;
    long long word = 0;
    Utf16Char colon1 = 0;
    Utf16Char colon2 = 0;
    Utf16Char completed = 0;
    const bool valid = cursor.Integer(10, index) && index >= 0 && cursor.Character(colon1) && colon1 == ':' &&
                       cursor.Integer(16, word) && word >= 0 && word <= 0x6FF && cursor.Character(colon2) &&
                       colon2 == ':' && cursor.Character(completed) && (completed == '0' || completed == '1') &&
                       cursor.Token() == kEntrySeparator;
    if (!valid) {
        stop_ = UlogStop::badEntry;
        return;
    }
    LogEntry entry;
    entry.kind = static_cast<LogEntryKind>(word / 256);
    entry.value = (word & 0xFF) == 0xFF ? kNoEntryValue : static_cast<std::int32_t>(word & 0xFF);
    entry.completed = completed == '1';
    if (entry.kind != LogEntryKind::UninstallKey && entry.kind != LogEntryKind::ClassesRoot) {
        entry.path = Utf16String(cursor.Rest());
    }
    result_.entries.push_back(std::move(entry));
}

PreviousLog ReadUlogText(std::string_view bytes, UlogStop* stop) {
    UlogReader reader;
    if (reader.Feed(bytes)) reader.Finish();
    if (stop) *stop = reader.Stop();
    return reader.TakeResult();
}

}  // namespace sv
