#pragma once
#include "shell/wide_string.h"
#include "wmi/class_cache.h"

#include <windows.h>
#include <wbemcli.h>

#include <cstdint>
#include <vector>

// GetSummaryInformation for many machines in one call: their live settings paths, one thumbnail
// size (or none) with the state and the figures. The answers are matched to machines by their
// identifier (Name), which every answer is asked to carry; their order says nothing. Every value
// of the answer is untrusted: read only when its type and shape are what the provider declares.

// A summary whose SummaryInformation is not an array of objects although the method said it
// completed: the host answers, but nothing in it can be used.
constexpr HRESULT SummaryMalformed = static_cast<HRESULT>(0x8004101D);  // WBEM_E_UNEXPECTED

struct MachineSummary {
    WideString name;  // the machine's identifier; answers without one are dropped
    bool hasState = false, hasLoad = false, hasMemory = false, hasHeartbeat = false, hasUptime = false;
    uint32_t enabledState = 0;
    uint32_t processorLoad = 0;  // percent
    uint64_t memoryMb = 0;
    uint32_t heartbeat = 0;      // an operational status code: 2 OK, 12 no contact, ...
    uint64_t uptimeMs = 0;
    // The thumbnail, RGB 5-6-5, first row at the top: exactly width x height x 2 bytes of the
    // requested size (a length prefix of an octet string taken off), else none.
    bool hasImage = false;
    std::vector<uint8_t> pixels;
};

struct SummaryAnswer {
    uint32_t returnValue = 0;  // 0, or 4096 (job started) or a refusal: then no summaries
    std::vector<MachineSummary> summaries;
};

// One ExecMethod on the management service at `servicePath`. `thumbnailWidth` x
// `thumbnailHeight` one of the three preset sizes, or 0 x 0 for no picture. Returns the call's
// failure (with a text), SummaryMalformed, or 0 with the answer.
HRESULT RequestMachineSummaries(IWbemServices* services, ClassCache& classes, const wchar_t* servicePath,
                                const std::vector<const wchar_t*>& settingsPaths, int32_t thumbnailWidth,
                                int32_t thumbnailHeight, SummaryAnswer& answer, WideString& errorText);
