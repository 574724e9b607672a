#include "ulog/LogMerge.h"

#include <algorithm>

namespace sv {
namespace {

bool NamesItem(LogEntryKind kind) { return kind == LogEntryKind::CreatedFolder || kind == LogEntryKind::InstalledFile; }

}  // namespace

void MergePreviousEntries(LogEntryList& previous, LogEntryList& entries, const SamePathTest& samePath) {
    while (!previous.empty()) {
        const auto old = std::prev(previous.end());
        const bool superseded = std::any_of(entries.begin(), entries.end(), [&](const LogEntry& entry) {
            return entry.kind == old->kind && (!NamesItem(old->kind) || samePath(entry.path, old->path));
        });
        if (superseded) {
            previous.erase(old);
        } else {
            entries.splice(entries.begin(), previous, old);
        }
    }
}

}  // namespace sv
