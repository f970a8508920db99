#pragma once
#include <utility>

// Sole owner of one COM interface reference: released when replaced or destroyed.
template <class T>
class ComRef {
public:
    ComRef() = default;
    explicit ComRef(T* adopted) : p_(adopted) {}
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ComRef(ComRef&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComRef& operator=(ComRef&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~ComRef() { Reset(); }

    // Releases the held reference and takes ownership of `adopted`.
    void Reset(T* adopted = nullptr) {
        T* old = std::exchange(p_, adopted);
        if (old) old->Release();
    }
    // For out-parameters: releases what is held, then lets the callee fill the slot.
    T** Put() {
        Reset();
        return &p_;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    // A second owner of the same object.
    ComRef Share() const {
        if (p_) p_->AddRef();
        return ComRef(p_);
    }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};
