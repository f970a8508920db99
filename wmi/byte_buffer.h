#pragma once
#include <cstdint>

// Growable byte block for image data. Starts at 1024 bytes; when more is needed it is replaced by
// a block of exactly the needed size (old contents copied over); it never shrinks. A failed
// allocation throws InsufficientMemory.
class ByteBuffer {
public:
    static constexpr uint32_t InitialCapacity = 1024;

    ByteBuffer();
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
    ~ByteBuffer();

    void Reserve(uint32_t byteCount);

    uint8_t* Data() { return data_; }
    const uint8_t* Data() const { return data_; }
    uint32_t Capacity() const { return capacity_; }

private:
    uint8_t* data_ = nullptr;
    uint32_t capacity_ = 0;
};
