// The payload manifest: one line per entry, "kind | destination folder | source file".
//
//   # comment lines and blank lines are ignored
//   ProgramFile    | <InstallPath>\Lang               | files/lang_fr.dll
//   1              | <InstallPath>                    | ../bin/Sarvelio.exe
//
// kind is a number or one of ProgramFile, MainExecutable, Uninstaller, SharedDataFile,
// SampleFile, TemporaryFile; the destination folder usually begins with a placeholder token; the
// source is relative to the manifest's folder (or absolute) and is stored in the payload as
// written; its file name is the installed file's name. The manifest is UTF-8.
//
// ReadManifest refuses, each with the line's number: a line that is not three fields, an unknown
// kind name, and every mistake of sv::CheckEntries (payload/EntryRules.h): unknown or misspelt
// tokens, destinations without a token, kinds beyond 5, empty file names, two entries writing the
// same file; and a source that is missing, not a regular file, or cannot be opened.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "payload/EntryRules.h"

namespace sv::tool {

struct ManifestLine {
    int lineNumber = 0;
    std::uint32_t kind = 0;
    std::string destination;         // as written
    std::string source;              // as written; stored in the table as the source path
    std::filesystem::path sourceFile;  // resolved against the manifest's folder
};

struct ManifestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Raises ManifestError listing every problem, one per line, each as "MANIFEST:LINE: message".
std::vector<ManifestLine> ReadManifest(const std::filesystem::path& manifest, const EntryRules& rules = {});

}  // namespace sv::tool
