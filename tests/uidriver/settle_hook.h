#pragma once
// The message hook behind Settle: when the hooked thread takes the marker message off its queue,
// it sets the named event the marker names. Built into the driver (for threads of the calling
// process) and into vuemere-uidriver-hook.dll (which Windows loads into other processes).
#include <windows.h>

#define UIDRIVER_SETTLE_MESSAGE L"uidriver.settle.marker"

// Marker: message UIDRIVER_SETTLE_MESSAGE, wParam = waiting process id, lParam = sequence number.
void SettleEventName(DWORD processId, DWORD sequence, wchar_t (&name)[64]);

extern "C" LRESULT CALLBACK UidriverSettleHook(int code, WPARAM wParam, LPARAM lParam);
