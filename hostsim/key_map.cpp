#include "hostsim/key_map.h"

namespace hostsim {

wchar_t KeyChar(int vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') return static_cast<wchar_t>(shift ? vk : vk - 'A' + 'a');
    if (vk >= '0' && vk <= '9') return shift ? L")!@#$%^&*("[vk - '0'] : static_cast<wchar_t>(vk);
    if (vk >= 0x60 && vk <= 0x69) return static_cast<wchar_t>(L'0' + (vk - 0x60));  // numeric keypad
    switch (vk) {
    case 0x20: return L' ';
    case 0x0D: return L'\n';
    case 0x09: return L'\t';
    case 0x6A: return L'*';
    case 0x6B: return L'+';
    case 0x6D: return L'-';
    case 0x6E: return L'.';
    case 0x6F: return L'/';
    case 0xBA: return shift ? L':' : L';';
    case 0xBB: return shift ? L'+' : L'=';
    case 0xBC: return shift ? L'<' : L',';
    case 0xBD: return shift ? L'_' : L'-';
    case 0xBE: return shift ? L'>' : L'.';
    case 0xBF: return shift ? L'?' : L'/';
    case 0xC0: return shift ? L'~' : L'`';
    case 0xDB: return shift ? L'{' : L'[';
    case 0xDC: return shift ? L'|' : L'\\';
    case 0xDD: return shift ? L'}' : L']';
    case 0xDE: return shift ? L'"' : L'\'';
    default: return 0;
    }
}

int ScancodeKey(uint8_t code, bool extended) {
    if (extended) {
        switch (code) {
        case 0x1C: return 0x0D;  // keypad Enter
        case 0x1D: return 0xA3;  // right Ctrl
        case 0x38: return 0xA5;  // right Alt
        case 0x47: return 0x24;  // Home
        case 0x48: return 0x26;  // Up
        case 0x49: return 0x21;  // Page Up
        case 0x4B: return 0x25;  // Left
        case 0x4D: return 0x27;  // Right
        case 0x4F: return 0x23;  // End
        case 0x50: return 0x28;  // Down
        case 0x51: return 0x22;  // Page Down
        case 0x52: return 0x2D;  // Insert
        case 0x53: return 0x2E;  // Delete
        case 0x5B: return 0x5B;  // left Windows
        case 0x5C: return 0x5C;  // right Windows
        case 0x5D: return 0x5D;  // Menu
        default: return 0;
        }
    }
    // The main block of a US keyboard, indexed by scan code.
    static const int mainBlock[0x59] = {
        0,    0x1B, '1',  '2',  '3',  '4',  '5',  '6',  '7',  '8',  '9',  '0',  0xBD, 0xBB, 0x08, 0x09,  // 00-0F
        'Q',  'W',  'E',  'R',  'T',  'Y',  'U',  'I',  'O',  'P',  0xDB, 0xDD, 0x0D, 0xA2, 'A',  'S',   // 10-1F
        'D',  'F',  'G',  'H',  'J',  'K',  'L',  0xBA, 0xDE, 0xC0, 0xA0, 0xDC, 'Z',  'X',  'C',  'V',   // 20-2F
        'B',  'N',  'M',  0xBC, 0xBE, 0xBF, 0xA1, 0x6A, 0xA4, 0x20, 0x14, 0x70, 0x71, 0x72, 0x73, 0x74,  // 30-3F
        0x75, 0x76, 0x77, 0x78, 0x79, 0x90, 0x91, 0x67, 0x68, 0x69, 0x6D, 0x64, 0x65, 0x66, 0x6B, 0x61,  // 40-4F
        0x62, 0x63, 0x60, 0x6E, 0,    0,    0,    0x7A, 0x7B,                                            // 50-58
    };
    return code < sizeof(mainBlock) / sizeof(mainBlock[0]) ? mainBlock[code] : 0;
}

}  // namespace hostsim
