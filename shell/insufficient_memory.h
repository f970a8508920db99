#pragma once

// The one error the program raises: an allocation of its own string or buffer types failed.
// Only the entry function catches it.
struct InsufficientMemory {
    const char* what() const noexcept { return "insufficient memory"; }
};
