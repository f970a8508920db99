#pragma once
#include "shell/wide_string.h"

#include <cstddef>

// Text for the guest's keyboard, in the pieces a host takes: no platform headers, so it can be
// tested natively.

// A host takes a limited text per TypeText call: the provider's second version at most 512 ASCII
// characters, fewer outside ASCII. This many UTF-16 units always fit.
constexpr size_t TypingPieceUnits = 256;

// Where the piece of `text` (`length` units) that begins at `start` ends: at most
// TypingPieceUnits on, but never between a CR and the LF after it, nor between the two halves of
// a surrogate pair. After `start` while start < length.
size_t TypingPieceEnd(const wchar_t* text, size_t length, size_t start);

// Replaces every character outside ASCII with "?", a surrogate pair with one: the provider's
// first version types ASCII only, and refuses a whole text that holds anything else.
void ReplaceNonAscii(WideString& text);

// The text still to be typed, handed out piece by piece, in order.
class TypingQueue {
public:
    void Add(const WideString& text);  // after what still waits
    bool Next(WideString& piece);      // false when nothing is left
    void Clear();
    bool Empty() const { return next_ >= text_.Length(); }

private:
    WideString text_;
    size_t next_ = 0;  // the first unit not handed out
};
