#include "wmi/byte_buffer.h"
#include "shell/insufficient_memory.h"

#include <cstring>
#include <new>

namespace {
uint8_t* Allocate(uint32_t size) {
    auto* block = new (std::nothrow) uint8_t[size];
    if (!block) throw InsufficientMemory{};
    return block;
}
}  // namespace

ByteBuffer::ByteBuffer() : data_(Allocate(InitialCapacity)), capacity_(InitialCapacity) {}

ByteBuffer::~ByteBuffer() { delete[] data_; }

void ByteBuffer::Reserve(uint32_t byteCount) {
    if (byteCount <= capacity_) return;
    uint8_t* block = Allocate(byteCount);
    std::memcpy(block, data_, capacity_);
    delete[] data_;
    data_ = block;
    capacity_ = byteCount;
}
