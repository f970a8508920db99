#pragma once
// How the simulated guest's US keyboard turns keys into characters.
#include <cstdint>

namespace hostsim {

// The character a key types with the given shift state, or 0 for keys that type nothing.
// Enter types '\n', Tab '\t'; Backspace is handled by the caller.
wchar_t KeyChar(int vk, bool shift);

// The virtual-key code of a set-1 scan code (make code, without the 0x80 break bit); `extended`
// after an 0xE0 prefix. 0 when the code names no key the guest knows.
int ScancodeKey(uint8_t code, bool extended);

}  // namespace hostsim
