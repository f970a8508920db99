#pragma once
#include <cstddef>

// The program's text buffer: UTF-16 on Windows (wchar_t), always NUL-terminated.
// A new string has room for 4096 characters; it grows to exactly the size a text needs,
// keeps its contents when it grows (wiping the block it outgrew), and never shrinks. A failed allocation throws
// InsufficientMemory.
class WideString {
public:
    static constexpr size_t InitialCapacity = 4096;  // characters, terminator excluded

    WideString();
    WideString(const wchar_t* text);
    WideString(const wchar_t* text, size_t length);
    WideString(const WideString& other);
    WideString& operator=(const WideString& other);
    WideString& operator=(const wchar_t* text);
    ~WideString();

    void Assign(const wchar_t* text);
    void Assign(const wchar_t* text, size_t length);
    void Append(const wchar_t* text);
    void Append(const wchar_t* text, size_t length);
    void Append(const WideString& other) { Append(other.c_str(), other.Length()); }
    void Clear();

    // Makes room for `length` characters plus the terminator, keeping the contents.
    void Reserve(size_t length);
    // For APIs that write into the buffer: after writing up to Capacity() characters, fix the
    // length (the terminator is written here).
    void SetLength(size_t length);
    // Overwrites every character the buffer holds (for passwords), then leaves it empty.
    void Wipe();

    const wchar_t* c_str() const { return data_; }
    wchar_t* Data() { return data_; }
    size_t Length() const { return length_; }
    size_t Capacity() const { return capacity_; }
    bool Empty() const { return length_ == 0; }

    bool Equals(const wchar_t* text) const;
    bool operator==(const WideString& other) const;
    bool operator==(const wchar_t* text) const { return Equals(text); }

private:
    wchar_t* data_ = nullptr;
    size_t length_ = 0;
    size_t capacity_ = 0;  // characters, terminator excluded
};
