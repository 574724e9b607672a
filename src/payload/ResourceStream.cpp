#include "payload/ResourceStream.h"

namespace sv {
namespace {

struct Block {
    const char* data = nullptr;
    DWORD size = 0;
};

Block FindBlock(HMODULE module, WORD type, WORD id) {
    const HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
    if (!resource) return {};
    const HGLOBAL loaded = ::LoadResource(module, resource);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = data ? ::SizeofResource(module, resource) : 0;
    return size ? Block{static_cast<const char*>(data), size} : Block{};
}

}  // namespace

imemstream OpenResourceStream(WORD type, WORD id, HMODULE resourceModule) {
    const HMODULE mainModule = ::GetModuleHandleW(nullptr);
    Block block = FindBlock(resourceModule ? resourceModule : mainModule, type, id);
    if (!block.data && resourceModule && resourceModule != mainModule) block = FindBlock(mainModule, type, id);
    return block.data ? imemstream(block.data, block.size) : imemstream();
}

}  // namespace sv
