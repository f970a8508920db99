// Reading the clipboard's text block, in-process: Wine's clipboard terminates text blocks itself,
// so a block without its NUL, as another program may leave one on Windows, is made here.
#include "console/clipboard_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

// A global memory block of exactly `size` bytes. It starts larger, filled with non-zero bytes,
// and shrinks in place, so that what follows its end is not a NUL that would hide a reader
// running past it.
HGLOBAL MakeBlock(const void* bytes, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + 256);
    std::memset(GlobalLock(block), 'Z', size + 256);
    GlobalUnlock(block);
    block = GlobalReAlloc(block, size, 0);
    std::memcpy(GlobalLock(block), bytes, size);
    GlobalUnlock(block);
    return block;
}

TEST(ClipboardText, EndsAtItsNulOrAtTheEndOfItsBlock) {
    const struct {
        std::vector<char> bytes;
        const wchar_t* read;
    } cases[] = {
        {{'x', 0, 'y', 0, 'z', 0, 'q'}, L">xyz"},   // no NUL, and half a character at the end
        {{'a', 0, 'b', 0, 0, 0, 'c', 0}, L">ab"},   // the NUL ends it
    };
    for (const auto& c : cases) {
        HGLOBAL block = MakeBlock(c.bytes.data(), c.bytes.size());
        ASSERT_EQ(GlobalSize(block), c.bytes.size());
        WideString text(L">");
        AppendGlobalText(block, text);
        EXPECT_TRUE(text == c.read);
        GlobalFree(block);
    }
    WideString text(L">");
    AppendGlobalText(nullptr, text);
    EXPECT_TRUE(text == L">");
}

}  // namespace
