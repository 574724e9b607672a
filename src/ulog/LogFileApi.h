// The file calls with which the journal replaces Uninstall.ulog: the new log is written to a
// temporary file beside the old one, flushed, and moved over the old log in one step.
//
// The calls are virtual so that a test can make any one of them fail; the base class makes the
// real calls.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/UniqueHandle.h"

namespace sv {

class LogFileApi {
public:
    virtual ~LogFileApi() = default;

    // Creates path for writing, shared with nobody; fails when anything exists there already
    // (an existing file or link is never opened).
    virtual UniqueFileHandle CreateNew(const std::wstring& path);
    // One write of all the bytes.
    virtual bool Write(HANDLE file, const void* data, DWORD size);
    // Flushes the file's data to the disk.
    virtual bool Flush(HANDLE file);
    virtual DWORD GetAttributes(const std::wstring& path);
    virtual bool SetAttributes(const std::wstring& path, DWORD attributes);
    // Moves from over to in one step, replacing a file there, written through to the disk.
    virtual bool Replace(const std::wstring& from, const std::wstring& to);
    virtual bool Delete(const std::wstring& path);
};

// The real calls.
LogFileApi& SystemLogFileApi();

// Writes `bytes` as the file `path`: into a new temporary file in the same folder, flushed,
// given `attributes`, then moved over an existing file (whose read-only attribute is cleared only
// for the move, and set again when the move fails). Each element of `pieces` is one write.
// True when path then holds exactly the pieces; false leaves an existing file at path as it was
// and removes the temporary file.
bool ReplaceFileContents(LogFileApi& api, const std::wstring& path, const std::vector<std::string>& pieces,
                         DWORD attributes);

}  // namespace sv
