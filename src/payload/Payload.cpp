#include "payload/Payload.h"

namespace sv {

bool ExtractPayload(std::istream& in, const std::wstring& installFolder, const std::wstring& samplesFolder,
                    const std::wstring& tempFolder, const PayloadObserver& observer) {
    Win32FileSystem fileSystem;
    return ExtractPayload(in, installFolder, samplesFolder, tempFolder, observer, fileSystem);
}

}  // namespace sv
