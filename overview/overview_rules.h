#pragma once
#include <cstdint>

// How the overview paces its calls: one tick every two seconds; a host's list of machines read
// again at most every tenth tick; a host that failed tried again (on a fresh connection) every
// thirty seconds while the others go on. No platform headers, so it is tested natively.

constexpr uint32_t OverviewTickMs = 2000;
constexpr uint32_t HostRetryMs = 30000;
constexpr int ListingEveryTicks = 10;
constexpr unsigned OverviewTimerId = 1;

// The views of the "&View" menu and the thumbnail each asks the host for (0 x 0: none).
enum class OverviewView { LargeTiles, MediumTiles, SmallTiles, Details };
struct TileSize {
    int32_t width, height;
};
constexpr TileSize TileSizeOf(OverviewView view) {
    return view == OverviewView::LargeTiles    ? TileSize{320, 240}
           : view == OverviewView::MediumTiles ? TileSize{160, 120}
           : view == OverviewView::SmallTiles  ? TileSize{80, 60}
                                               : TileSize{0, 0};
}

// Whether a host that failed at `failedAt` (a tick count in milliseconds, wrapping) is due to be
// tried again at `now`.
constexpr bool RetryDue(uint32_t now, uint32_t failedAt) { return now - failedAt >= HostRetryMs; }

// Whether a host's machines are listed again on this tick: `ticksSinceListing` counts the ticks
// since the last listing (or since it was shown, when it never was).
constexpr bool ListingDue(bool listedBefore, int ticksSinceListing) {
    return !listedBefore || ticksSinceListing >= ListingEveryTicks;
}
