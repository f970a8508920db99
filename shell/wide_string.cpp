#include "shell/wide_string.h"
#include "shell/insufficient_memory.h"

#include <cwchar>
#include <new>

namespace {

wchar_t* Allocate(size_t capacity) {
    wchar_t* block = new (std::nothrow) wchar_t[capacity + 1];
    if (!block) throw InsufficientMemory{};
    return block;
}

size_t TextLength(const wchar_t* text) { return text ? std::wcslen(text) : 0; }

// Through a volatile pointer, so that the compiler cannot drop the stores to a block about to go.
void WipeChars(wchar_t* block, size_t count) {
    volatile wchar_t* p = block;
    for (size_t i = 0; i < count; ++i) p[i] = L'\0';
}

}  // namespace

WideString::WideString() : data_(Allocate(InitialCapacity)), capacity_(InitialCapacity) {
    data_[0] = L'\0';
}

WideString::WideString(const wchar_t* text) : WideString() { Assign(text); }

WideString::WideString(const wchar_t* text, size_t length) : WideString() { Assign(text, length); }

WideString::WideString(const WideString& other) : WideString() {
    Assign(other.data_, other.length_);
}

WideString& WideString::operator=(const WideString& other) {
    if (this != &other) Assign(other.data_, other.length_);
    return *this;
}

WideString& WideString::operator=(const wchar_t* text) {
    Assign(text);
    return *this;
}

WideString::~WideString() { delete[] data_; }

void WideString::Reserve(size_t length) {
    if (length <= capacity_) return;
    wchar_t* block = Allocate(length);
    std::wmemcpy(block, data_, length_ + 1);
    // Any string may hold a secret: the block it outgrew is wiped before it is freed.
    WipeChars(data_, capacity_ + 1);
    delete[] data_;
    data_ = block;
    capacity_ = length;
}

void WideString::Assign(const wchar_t* text) { Assign(text, TextLength(text)); }

void WideString::Assign(const wchar_t* text, size_t length) {
    if (text >= data_ && text <= data_ + length_) {
        // Assigning a part of ourselves: no growth is needed, move it down in place.
        std::wmemmove(data_, text, length);
    } else {
        Reserve(length);
        if (length) std::wmemcpy(data_, text, length);
    }
    SetLength(length);
}

void WideString::Append(const wchar_t* text) { Append(text, TextLength(text)); }

void WideString::Append(const wchar_t* text, size_t length) {
    if (length == 0) return;
    if (text >= data_ && text <= data_ + length_) {
        WideString copy(text, length);  // the source would move when we grow
        Append(copy.data_, length);
        return;
    }
    Reserve(length_ + length);
    std::wmemcpy(data_ + length_, text, length);
    SetLength(length_ + length);
}

void WideString::Clear() { SetLength(0); }

void WideString::SetLength(size_t length) {
    length_ = length <= capacity_ ? length : capacity_;
    data_[length_] = L'\0';
}

void WideString::Wipe() {
    WipeChars(data_, capacity_ + 1);
    length_ = 0;
}

bool WideString::Equals(const wchar_t* text) const {
    size_t length = TextLength(text);
    return length == length_ && std::wmemcmp(data_, text, length) == 0;
}

bool WideString::operator==(const WideString& other) const {
    return other.length_ == length_ && std::wmemcmp(data_, other.data_, length_) == 0;
}
