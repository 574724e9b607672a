// The payload resource as a stream over the module's memory.
#pragma once

#include <windows.h>

#include "payload/MemoryStream.h"

namespace sv {

inline constexpr WORD kPayloadResourceType = 260;
inline constexpr WORD kPayloadResourceId = 134;

// A stream over the bytes of resource (type, id), not copied. Looked up in resourceModule (the
// main executable when null), then in the main executable. Empty when the resource cannot be
// found, loaded or locked, or is empty.
imemstream OpenResourceStream(WORD type, WORD id, HMODULE resourceModule = nullptr);

}  // namespace sv
