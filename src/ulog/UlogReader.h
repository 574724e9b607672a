// Reads the text of a previous Uninstall.ulog. Portable and incremental: the caller feeds the
// file's bytes in pieces of any size and stops as soon as the reader says reading has ended.
//
// Encoding: a file that begins with FF FE is UTF-16LE; any other file is 8-bit text, decoded line
// by line as UTF-8 when the line is valid UTF-8 and as Windows-1252 otherwise (an initial UTF-8
// byte-order mark is skipped).
//
// Lines: a line ends after its line feed. A last line without its line end (other than white
// space) is not read: it was cut off, and what is left of a path could name something else. A
// line longer than
// kUlogLineLimitBytes (its line end included, and on the first line the byte-order mark) ends
// reading, as does a line holding a NUL character: neither was written by this program, and
// cutting such a line could turn it into a path that names something else. What was read
// before stays.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "ulog/LogEntry.h"

namespace sv {

struct PreviousLog {
    int version = 0;
    Utf16String installText;   // product name and version of the previous installation
    Utf16String installPath;   // as written; whether it is still a folder is the caller's test
    Utf16String shortcutPath;  // likewise
    LogEntryList entries;      // in file order
};

// Why reading ended.
enum class UlogStop {
    reading,       // not ended yet
    endOfFile,
    badVersion,    // first line not a version-1 header
    badHeader,     // a header line lost its label
    badEntry,      // a field missing or out of range
    lineTooLong,
    nulCharacter,
    cutLine,       // the last line has no line end
};

class UlogReader {
public:
    // Feeds the next bytes. False once reading has ended (further bytes are ignored).
    bool Feed(std::string_view bytes);
    // The end of the file: a last line without its line end is not read (see above).
    void Finish();

    bool Ended() const noexcept { return stop_ != UlogStop::reading; }
    UlogStop Stop() const noexcept { return stop_; }
    const PreviousLog& Result() const noexcept { return result_; }
    PreviousLog TakeResult() { return std::move(result_); }

private:
    enum class Encoding { undecided, utf16, narrow };

    void DecideEncoding(bool atEnd);
    void TakeByte(char byte);
    Utf16String DecodeLine() const;  // the current line's bytes as text
    void EndLine();
    void ProcessLine(Utf16String line);
    void ProcessComment(Utf16String text);
    void ProcessEntry(Utf16View line);

    Encoding encoding_ = Encoding::undecided;
    std::string start_;            // the first bytes, until the encoding is known
    std::string raw_;              // bytes of the current line
    std::size_t lineBytes_ = 0;    // counted against the limit (the mark included on the first line)
    std::size_t lineIndex_ = 0;    // non-empty lines seen
    UlogStop stop_ = UlogStop::reading;
    PreviousLog result_;
};

// Reads a whole file's bytes.
PreviousLog ReadUlogText(std::string_view bytes, UlogStop* stop = nullptr);

// 8-bit text widened as described above (exposed for tests).
Utf16String WidenNarrowLine(std::string_view bytes);

}  // namespace sv
