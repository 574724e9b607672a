// libFuzzer entry: the reader of a previous Uninstall.ulog on arbitrary bytes, whole and fed in
// pieces; both ways must agree.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ulog/UlogReader.h"
#include "ulog/UlogWriter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    sv::UlogStop wholeStop{};
    const sv::PreviousLog whole = sv::ReadUlogText(bytes, &wholeStop);

    sv::UlogReader pieces;
    const std::size_t step = size == 0 ? 1 : (data[0] % 7) + 1;
    bool reading = true;
    for (std::size_t pos = 0; pos < size && reading; pos += step) reading = pieces.Feed(bytes.substr(pos, step));
    if (reading) pieces.Finish();
    if (pieces.Stop() != wholeStop || pieces.Result().entries != whole.entries) std::abort();

    // Whatever was read can be written again and reads back the same.
    if (!whole.entries.empty()) {
        sv::UlogHeader header;
        header.previousInstallText = whole.installText;
        header.installFolder = whole.installPath;
        header.startMenuFolder = whole.shortcutPath;
        const sv::PreviousLog again = sv::ReadUlogText(sv::FormatUlogFile(header, whole.entries));
        (void)again;
    }
    return 0;
}
