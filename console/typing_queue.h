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

// "typing stopped after 512 of 1,300 characters: " + `reason`: where typing ended when a piece
// was not typed. Characters as a user counts them: a surrogate pair is one.
void BuildTypingStoppedText(const wchar_t* text, size_t typedUnits, size_t totalUnits, const wchar_t* reason,
                            WideString& out);

// The text still to be typed, handed out piece by piece, in order.
class TypingQueue {
public:
    void Add(const WideString& text);  // after what still waits
    bool Next(WideString& piece);      // false when nothing is left
    void Clear();
    bool Empty() const { return next_ >= text_.Length(); }
    // Where the piece that Next hands out last began, and the whole text: for telling where
    // typing stopped when that piece was not typed.
    size_t PieceStart() const { return pieceStart_; }
    const WideString& Text() const { return text_; }

private:
    WideString text_;
    size_t next_ = 0;  // the first unit not handed out
    size_t pieceStart_ = 0;
};
