#include "payload/FileRules.h"

namespace sv {

BeginDecision FileRules::Begin(const PayloadEntry& entry) {
    const Utf16String& path = entry.destinationPath;
    BeginDecision write{notification::proceed, false, true};
    const BeginDecision skip{notification::skip, false, false};

    switch (entry.kind) {
    case EntryKind::MainExecutable:
        paths_.mainExePath = path;
        return write;
    case EntryKind::Uninstaller:
        paths_.uninstallerPath = path;
        return write;
    case EntryKind::SharedDataFile:
        if (mode_ != InstallMode::FreshInstall && host_.IsPreviousCompletedFile(path)) {
            // Kept as the user has it (even when deleted); the previous log's entry carries over.
            host_.GrantUsersAccess(path, kSharedDataFileAccess, kNoInheritance);
            return skip;
        }
        if (!host_.FileExists(path)) {
            write.keepInPlace = true;
            return write;
        }
        // A file the previous log does not know: adopted, left unchanged, with a copy as backup.
        host_.RecordFile(path, static_cast<std::uint32_t>(entry.kind), true);
        host_.CompleteLast(true);
        host_.GrantUsersAccess(path, kSharedDataFileAccess, kNoInheritance);
        return skip;
    case EntryKind::SampleFile:
        return mode_ == InstallMode::Update ? skip : write;
    case EntryKind::TemporaryFile:
        temporaryFiles_.AddTemporaryFile(path);
        write.record = false;
        return write;
    default:
        return write;
    }
}

void FileRules::Complete(const PayloadEntry& entry) {
    if (entry.kind == EntryKind::SharedDataFile) {
        host_.GrantUsersAccess(entry.destinationPath, kSharedDataFileAccess, kNoInheritance);
    }
}

}  // namespace sv
