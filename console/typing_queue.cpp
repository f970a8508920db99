#include "console/typing_queue.h"

#include <cstdint>
#include <cwchar>

namespace {
// Code units as numbers: wchar_t is signed and 32 bits wide on some platforms.
uint32_t Unit(wchar_t c) { return static_cast<uint32_t>(c); }
bool IsHighSurrogate(wchar_t c) { return Unit(c) - 0xD800u < 0x400u; }
bool IsLowSurrogate(wchar_t c) { return Unit(c) - 0xDC00u < 0x400u; }

size_t CountCharacters(const wchar_t* text, size_t length) {
    size_t count = 0;
    for (size_t i = 0; i < length; ++i) count += !(i > 0 && IsHighSurrogate(text[i - 1]) && IsLowSurrogate(text[i]));
    return count;
}

// 1300 as "1,300": the texts are English.
void AppendGrouped(WideString& out, size_t value) {
    wchar_t digits[32];
    const int length = std::swprintf(digits, 32, L"%zu", value);
    for (int i = 0; i < length; ++i) {
        if (i > 0 && (length - i) % 3 == 0) out.Append(L",");
        const wchar_t digit[2] = {digits[i], L'\0'};
        out.Append(digit);
    }
}
}  // namespace

void BuildTypingStoppedText(const wchar_t* text, size_t typedUnits, size_t totalUnits, const wchar_t* reason,
                            WideString& out) {
    out.Assign(L"typing stopped after ");
    AppendGrouped(out, CountCharacters(text, typedUnits));
    out.Append(L" of ");
    AppendGrouped(out, CountCharacters(text, totalUnits));
    out.Append(L" characters: ");
    out.Append(reason);
}

size_t TypingPieceEnd(const wchar_t* text, size_t length, size_t start) {
    if (start >= length || length - start <= TypingPieceUnits) return length;
    size_t end = start + TypingPieceUnits;
    const wchar_t last = text[end - 1], next = text[end];
    if ((last == L'\r' && next == L'\n') || (IsHighSurrogate(last) && IsLowSurrogate(next))) --end;
    return end;
}

void ReplaceNonAscii(WideString& text) {
    wchar_t* units = text.Data();
    const size_t length = text.Length();
    size_t kept = 0;
    for (size_t i = 0; i < length; ++i) {
        const wchar_t c = units[i];
        if (IsHighSurrogate(c) && i + 1 < length && IsLowSurrogate(units[i + 1])) ++i;
        units[kept++] = Unit(c) < 0x80u ? c : L'?';
    }
    text.SetLength(kept);
}

void TypingQueue::Add(const WideString& text) {
    if (Empty()) Clear();  // what was handed out is gone: start the buffer afresh
    text_.Append(text);
}

bool TypingQueue::Next(WideString& piece) {
    if (Empty()) return false;
    const size_t end = TypingPieceEnd(text_.c_str(), text_.Length(), next_);
    piece.Assign(text_.c_str() + next_, end - next_);
    pieceStart_ = next_;
    next_ = end;
    return true;
}

void TypingQueue::Clear() {
    text_.Clear();
    next_ = 0;
    pieceStart_ = 0;
}
