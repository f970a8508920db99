#include "wmi/octet_string.h"

bool HasOctetPrefix(const uint8_t* bytes, uint32_t length, uint32_t payload) {
    if (!bytes || payload > UINT32_MAX - OctetPrefixLength || length != payload + OctetPrefixLength) return false;
    const uint32_t stated = static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
                            static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
    return stated == length;
}
