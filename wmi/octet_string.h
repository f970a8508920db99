#pragma once
#include <cstdint>

// CIM octet strings: no platform headers, so it can be tested natively.
//
// An octet string (a uint8 array with the OctetString qualifier) begins, in CIM, with its own
// length in four bytes, most significant first, counting those four. Whether WMI hands that
// prefix on to the client is not documented, so a reader takes the bytes either way.
constexpr uint32_t OctetPrefixLength = 4;

// Whether `length` bytes are `payload` bytes behind such a prefix: exactly payload + 4 of them,
// the first four giving `length`. Anything else is taken as the payload itself.
bool HasOctetPrefix(const uint8_t* bytes, uint32_t length, uint32_t payload);
