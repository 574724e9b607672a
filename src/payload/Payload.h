// The installer's entry to the payload reader: the reader with the Win32 file back-end.
#pragma once

#include "payload/CompressCategory.h"
#include "payload/Notification.h"
#include "payload/OwnerWindow.h"
#include "payload/PayloadReader.h"
#include "payload/ResourceStream.h"
#include "payload/Win32FileSystem.h"

namespace sv {

// ExtractPayload writing through Win32FileSystem (shared folders granted with GrantUsersAccess).
bool ExtractPayload(std::istream& in, const std::wstring& installFolder, const std::wstring& samplesFolder,
                    const std::wstring& tempFolder, const PayloadObserver& observer);

}  // namespace sv
