// Merging the previous installation's entries into this run's, so that the uninstaller still
// removes what earlier versions installed. Portable: the path comparison is the caller's.
#pragma once

#include <functional>

#include "ulog/LogEntry.h"

namespace sv {

// Whether two paths name the same folder or file.
using SamePathTest = std::function<bool(const Utf16String&, const Utf16String&)>;

// Walks `previous` from its last entry to its first. An old entry is superseded when `entries`
// holds one of the same kind that, for folders and files, names the same item (for the other
// kinds the kind alone supersedes). Superseded entries are dropped; the others move to the front
// of `entries`, so that the survivors come first in their old order. `previous` ends empty.
void MergePreviousEntries(LogEntryList& previous, LogEntryList& entries, const SamePathTest& samePath);

}  // namespace sv
