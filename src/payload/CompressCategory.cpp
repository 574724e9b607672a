#include "payload/CompressCategory.h"

namespace sv {
namespace {

class CompressCategory final : public std::error_category {
public:
    const char* name() const noexcept override { return "compress"; }
    std::string message(int code) const override {
        switch (code) {
        case 3: return "invalid checksum";
        case 5: return "interrupted";
        case 6: return "bzip2 error";
        case 7: return "unexpected error";
        default: return "unknown error";
        }
    }
};

}  // namespace

const std::error_category& compress_category() noexcept {
    static const CompressCategory category;
    return category;
}

void RaiseCompressError(compress_errc code) {
    throw std::system_error(make_error_code(code));
}

}  // namespace sv
