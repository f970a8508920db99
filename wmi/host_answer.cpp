#include "wmi/host_answer.h"
#include "wmi/octet_string.h"
#include "wmi/thumbnail_size.h"

bool ResolutionUsable(int64_t side) { return side >= 1 && side <= ResolutionMax; }

ImagePayload ImagePayloadOf(const uint8_t* bytes, uint32_t length, int32_t width, int32_t height) {
    ImagePayload payload;
    const uint32_t asked = ImageBytes(width, height);
    if (asked == 0 || asked > UINT32_MAX - OctetPrefixLength || length > asked + OctetPrefixLength) return payload;
    payload.usable = true;
    if (HasOctetPrefix(bytes, length, asked)) {
        payload.offset = OctetPrefixLength;
        payload.length = asked;
    } else {
        payload.length = length;
    }
    return payload;
}
