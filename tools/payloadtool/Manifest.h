// The payload manifest: one line per entry, "kind | destination folder | source file".
//
//   # comment lines and blank lines are ignored
//   ProgramFile    | <InstallPath>\Lang               | files/lang_fr.dll
//   1              | <InstallPath>                    | ../bin/Sarvelio.exe
//
// kind is a number or one of ProgramFile, MainExecutable, Uninstaller, SharedDataFile,
// SampleFile, TemporaryFile; the destination folder usually begins with a placeholder token; the
// source is relative to the manifest's folder (or absolute). The manifest is UTF-8.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

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

// Raises ManifestError naming the file and line of the first problem.
std::vector<ManifestLine> ReadManifest(const std::filesystem::path& manifest);

}  // namespace sv::tool
