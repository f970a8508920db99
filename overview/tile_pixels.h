#pragma once
#include <cstdint>

// A thumbnail's RGB 5-6-5 rows (first row at the top, as the host sends them) as the 32-bit
// pixels of a tile (0x00RRGGBB, first row at the top), in colour or greyed: a host that stopped
// answering keeps its last pictures, grey, so that nobody takes them for live. No platform
// headers, so it is tested natively.
void ToTilePixels(const uint8_t* rgb565, int32_t width, int32_t height, bool grey, uint32_t* out);
