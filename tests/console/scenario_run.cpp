#include "scenario_run.h"
#include "console/paint_geometry.h"
#include "overview/details_sort.h"
#include "overview/overview_rules.h"
#include "resources/resource.h"
#include "wmi/com_ref.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <ostream>
#include <regex>
#include <sstream>

namespace {

constexpr int ClientWidth = 420, ClientHeight = 320, WhiteFrame = 15;

// Machines with fixed identifiers (so a call can be told apart by its target) on hosts of both
// provider versions, of the first release, with listed logons, and hosts that are not Hyper-V or
// fail the second namespace. Beta has an S3 display and a disabled synthetic mouse (relative mode
// through the PS/2 mouse); Odd an odd width; Gamma and NoMouse are of generation 2. hv-real does
// what a real host may: its images carry an octet string's length prefix, its captions are German,
// Boot starts on its S3 display and switches to the synthetic one once 48 wire calls have reached
// the host (in the row that watches it: after its first full-size refresh, the 35th, and before
// its second, the 63rd); two machines share a name. On the ctl hosts a job ends on its second
// read (or after ten minutes); Sleeper, Sleeper2 and Booter are off, Mute and Mute2 have no shutdown
// service; Booter (and Rebooter, without the boot loader) boots on its S3 display in BIOS text,
// then a boot loader's 640 x 480, one image each, before its desktop on the synthetic one; on idle,
// three of four machines are off. ctl-real sends what a real host may: its jobs read JobState 3
// (starting) first and end in 32768 (completed with warnings) on their fourth read, a guest shutting
// down reports the first version's 4, Aging's shutdown service is degraded (it works), and Critical
// reports a state this program does not know until its host's 23rd wire call (an open, the Action
// menu's read and a tick). flaky stops answering its second summary request (as a host gone from
// the network would), and answers again after it. localhost lists its machines last first.
// Someone else turns Flicker off once its host has had 21 wire calls (an open and a refresh), and
// on again after 24. Nomad leaves its host (deleted, or moved off it) once the host has had 20 wire
// calls: the listing, the open and two image requests. Cluster hvc1 has node-1 (ClA, and Local1
// which is not clustered), node-2 (ClB) and node-3, which is down; its machines are of generation 2.
const char Hosts[] = R"({"hosts": [
  {"name": "localhost", "aliases": ["", "."], "hostName": "HV-TEST", "listOrder": "reverse", "machines": [
    {"elementName": "Alpha", "name": "0F0F0000-0000-4000-8000-000000000001", "width": 320, "height": 240},
    {"elementName": "Beta", "name": "0F0F0000-0000-4000-8000-000000000002", "width": 320, "height": 240,
     "display": "s3", "mouse": "synthetic-disabled"},
    {"elementName": "Odd", "name": "0F0F0000-0000-4000-8000-000000000003", "width": 321, "height": 241}]},
  {"name": "hv-v2", "hostName": "HV-V2", "provider": "v2", "machines": [
    {"elementName": "Gamma", "name": "0F0F0000-0000-4000-8000-000000000004", "generation": 2, "width": 320,
     "height": 240},
    {"elementName": "NoMouse", "name": "0F0F0000-0000-4000-8000-000000000005", "generation": 2, "width": 320,
     "height": 240, "mouse": "synthetic-disabled"},
    {"elementName": "Checkpointed", "name": "0F0F0000-0000-4000-8000-000000000006", "width": 320,
     "height": 240, "snapshots": 2}]},
  {"name": "hv-both", "provider": "both", "machines": [{"elementName": "Both"}]},
  {"name": "oldhost", "typeScancodes": false, "machines": [
    {"elementName": "Old", "name": "0F0F0000-0000-4000-8000-000000000007", "width": 320, "height": 240}]},
  {"name": "secure", "users": [{"user": "LAB\\admin", "password": "s3cret"}], "machines": [
    {"elementName": "Vault", "name": "0F0F0000-0000-4000-8000-000000000008", "width": 320, "height": 240}]},
  {"name": "secure-2", "users": [{"user": "LAB\\admin", "password": "s3cret"}], "machines": [{"elementName": "Vault 2"}]},
  {"name": "no-hyperv", "machines": [], "faults": [{"call": "ConnectServer", "hr": "0x8004100E"}]},
  {"name": "locked-v2", "provider": "v2", "machines": [], "faults": [{"call": "ConnectServer", "after": 1, "hr": "0x80041003"}]},
  {"name": "gone-v2", "provider": "v2", "machines": [], "faults": [{"call": "ConnectServer", "after": 1, "hr": "0x800706BA"}]},
  {"name": "hv-real", "provider": "v2", "octetPrefix": true, "language": "de", "machines": [
    {"elementName": "Boot", "name": "0F0F0000-0000-4000-8000-00000000000A", "display": "s3", "width": 720,
     "height": 400},
    {"elementName": "Twin", "name": "0F0F0000-0000-4000-8000-00000000000B", "width": 320, "height": 240},
    {"elementName": "Twin", "name": "0F0F0000-0000-4000-8000-00000000000C", "width": 321, "height": 241}],
   "changes": [{"after": 48, "machine": "Boot", "set": {"display": "synthetic", "width": 1024, "height": 768}}]},
  {"name": "ctl", "hostName": "HV-CTL", "jobMs": 600000, "jobPolls": 2, "machines": [
    {"elementName": "Sleeper", "name": "0F0F0000-0000-4000-8000-000000000011", "width": 320, "height": 240, "state": "off"},
    {"elementName": "Mute", "name": "0F0F0000-0000-4000-8000-000000000012", "width": 320, "height": 240,
     "shutdownService": false},
    {"elementName": "Worker", "name": "0F0F0000-0000-4000-8000-000000000014", "width": 320, "height": 240},
    {"elementName": "Booter", "name": "0F0F0000-0000-4000-8000-000000000018", "state": "off", "inactiveWidth": 800,
     "inactiveHeight": 600, "boot": [{"display": "s3", "width": 720, "height": 400, "images": 1},
                                     {"display": "s3", "width": 640, "height": 480, "images": 1}]},
    {"elementName": "Rebooter", "name": "0F0F0000-0000-4000-8000-000000000019", "boot": [
     {"display": "s3", "width": 720, "height": 400, "images": 1}]}]},
  {"name": "ctl-v2", "hostName": "HV-CTL2", "provider": "v2", "jobMs": 600000, "jobPolls": 2, "machines": [
    {"elementName": "Sleeper2", "name": "0F0F0000-0000-4000-8000-000000000013", "generation": 2, "width": 320,
     "height": 240, "state": "off"},
    {"elementName": "Mute2", "name": "0F0F0000-0000-4000-8000-000000000016", "generation": 2, "width": 320,
     "height": 240, "shutdownService": false}]},
  {"name": "ctl-real", "hostName": "HV-CTLR", "jobMs": 600000, "jobPolls": 4, "jobStarting": true,
   "jobCompletedState": 32768, "v1ShutdownState": 4, "machines": [
    {"elementName": "Slow", "name": "0F0F0000-0000-4000-8000-000000000031", "width": 320, "height": 240, "state": "off"},
    {"elementName": "Aging", "name": "0F0F0000-0000-4000-8000-000000000032", "width": 320, "height": 240, "shutdownStatus": 3},
    {"elementName": "Critical", "name": "0F0F0000-0000-4000-8000-000000000033", "width": 320, "height": 240,
     "enabledState": 32781}],
   "changes": [{"after": 23, "machine": "Critical", "set": {"state": "running"}}]},
  {"name": "idle", "hostName": "HV-IDLE", "jobMs": 600000, "jobPolls": 2, "machines": [
    {"elementName": "Idle 1", "name": "0F0F0000-0000-4000-8000-000000000021", "width": 320, "height": 240, "state": "off"},
    {"elementName": "Idle 2", "name": "0F0F0000-0000-4000-8000-000000000022", "width": 320, "height": 240, "state": "off"},
    {"elementName": "Idle 3", "name": "0F0F0000-0000-4000-8000-000000000023", "width": 320, "height": 240, "state": "off"},
    {"elementName": "Busy", "name": "0F0F0000-0000-4000-8000-000000000024", "width": 320, "height": 240}]},
  {"name": "flaky", "machines": [
    {"elementName": "Flaky A", "name": "0F0F0000-0000-4000-8000-000000000025", "width": 320, "height": 240},
    {"elementName": "Flaky B", "name": "0F0F0000-0000-4000-8000-000000000026", "width": 320, "height": 240}],
   "faults": [{"call": "ExecMethod", "method": "GetSummaryInformation", "after": 1, "count": 1, "hr": "0x800706BA"}]},
  {"name": "shared", "machines": [
    {"elementName": "Flicker", "name": "0F0F0000-0000-4000-8000-000000000017", "width": 320, "height": 240}],
   "changes": [{"after": 21, "machine": "Flicker", "set": {"state": "off"}},
               {"after": 24, "machine": "Flicker", "set": {"state": "running"}}]},
  {"name": "narrow", "provider": "v2", "typeTextRoom": 300, "machines": [
    {"elementName": "Narrow", "name": "0F0F0000-0000-4000-8000-000000000018", "generation": 2, "width": 320, "height": 240},
    {"elementName": "Keyless", "name": "0F0F0000-0000-4000-8000-000000000019", "generation": 2, "width": 320, "height": 240,
     "keyboard": false}]},
  {"name": "moved", "machines": [
    {"elementName": "Nomad", "name": "0F0F0000-0000-4000-8000-00000000001A", "width": 320, "height": 240}],
   "changes": [{"after": 20, "machine": "Nomad", "set": {"present": false}}]},
  {"name": "node-1", "hostName": "NODE-1", "provider": "v2", "machines": [
    {"elementName": "ClA", "name": "0F0F0000-0000-4000-8000-000000000031", "generation": 2, "width": 320, "height": 240},
    {"elementName": "Local1", "name": "0F0F0000-0000-4000-8000-000000000032", "width": 320, "height": 240,
     "clustered": false}]},
  {"name": "node-2", "hostName": "NODE-2", "provider": "v2", "machines": [
    {"elementName": "ClB", "name": "0F0F0000-0000-4000-8000-000000000033", "generation": 2, "width": 320, "height": 240}]},
  {"name": "node-3", "hostName": "NODE-3", "provider": "v2", "nodeState": "down", "machines": [
    {"elementName": "ClC", "name": "0F0F0000-0000-4000-8000-000000000034", "generation": 2, "width": 320, "height": 240}]},
  {"name": "farm", "machines": [
    {"elementName": "Pixel", "name": "0F0F0000-0000-4000-8000-000000000009", "width": 320, "height": 240}]}],
  "clusters": [{"name": "hvc1", "nodes": ["node-1", "node-2", "node-3"]}]})";

struct MachineInfo {
    std::string guid;
    int width = 1024, height = 768;
};

std::map<std::string, MachineInfo> MachinesOf(const std::string& scenarioJson) {
    std::map<std::string, MachineInfo> machines;
    const nlohmann::json scenario = nlohmann::json::parse(scenarioJson);
    for (const auto& host : scenario["hosts"])
        for (const auto& m : host["machines"])
            machines[m["elementName"]] = {m.value("name", ""), m.value("width", 1024), m.value("height", 768)};
    return machines;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t ch : text) out += ch < 0x80 ? static_cast<char>(ch) : '?';
    return out;
}

// Each byte as the character of that number (Latin-1).
std::wstring Wide(const std::string& text) {
    std::wstring wide;
    for (unsigned char c : text) wide += static_cast<wchar_t>(c);
    return wide;
}

const struct {
    const char* name;
    int id;
} Commands[] = {{"full", IDM_REFRESH_FULL_SIZE}, {"disconnect", IDM_DISCONNECT}, {"ctrl-alt-del", IDM_CTRL_ALT_DEL},
                {"shift", IDM_SHIFT},          {"application", IDM_APPLICATION_KEY}, {"kanji", IDM_KANJI},
                {"type-clipboard", IDM_TYPE_CLIPBOARD}, {"through-alt", IDM_THROUGH_ALT}, {"copy-screen", IDM_COPY_SCREEN},
                {"full-screen", IDM_FULL_SCREEN},
                {"start", IDM_ACTION_START},   {"shut-down", IDM_ACTION_SHUT_DOWN}, {"turn-off", IDM_ACTION_TURN_OFF},
                {"save-state", IDM_ACTION_SAVE}, {"pause", IDM_ACTION_PAUSE},         {"resume", IDM_ACTION_RESUME},
                {"reset", IDM_ACTION_RESET},   {"checkpoint", IDM_ACTION_CHECKPOINT}};

// The overview's own commands; the Action items are the console's (Commands above).
const struct {
    const char* name;
    int id;
} OverviewCommands[] = {{"refresh", IDM_OV_REFRESH},     {"details", IDM_OV_DETAILS}, {"large", IDM_OV_LARGE_TILES},
                        {"small", IDM_OV_SMALL_TILES},   {"medium", IDM_OV_MEDIUM_TILES},
                        {"remove-host", IDM_OV_REMOVE_HOST}, {"open", IDM_OV_OPEN}, {"close", IDM_OV_CLOSE}};

// Messages and the lParam a key message carries (repeat count 1; a release's previous-state and
// transition bits; the Alt context bit of a system key).
const struct {
    const char* name;
    UINT msg;
    LPARAM keyFlags;
} Messages[] = {{"move", WM_MOUSEMOVE, 0},       {"ldown", WM_LBUTTONDOWN, 0},   {"lup", WM_LBUTTONUP, 0},
                {"rdown", WM_RBUTTONDOWN, 0},    {"rup", WM_RBUTTONUP, 0},       {"key", WM_KEYDOWN, 1},
                {"keyup", WM_KEYUP, static_cast<LPARAM>(0xC0000001)},          {"syskey", WM_SYSKEYDOWN, 0x20000001},
                {"syskeyup", WM_SYSKEYUP, static_cast<LPARAM>(0xE0000001)}};

// Where the window places a guest screen of that size, in its client area as it is now.
PaintRect Place(HWND window, int width, int height) {
    RECT client{0, 0, ClientWidth, ClientHeight};
    GetClientRect(window, &client);
    PaintRect dest{};
    PlaceImage(FrameArea(PaintRect{0, 0, client.right, client.bottom}, WhiteFrame), width, height, 1, 2, dest);
    return dest;
}

bool Near(uint32_t rgb, uint32_t wanted) {
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(static_cast<int>((rgb >> shift) & 0xFF) - static_cast<int>((wanted >> shift) & 0xFF)) > 16)
            return false;
    return true;
}

// The bounding box of the pixels that differ from the background (the client's top-left pixel).
RECT Drawn(const uidriver::Pixels& pixels) {
    RECT box{pixels.width, pixels.height, 0, 0};
    for (int y = 0; y < pixels.height; ++y)
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.At(x, y) != pixels.At(0, 0)) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    return box;
}

// The boxes of the lines drawn: runs of rows that differ from the background, apart by rows that do not.
std::vector<RECT> DrawnLines(const uidriver::Pixels& pixels) {
    std::vector<RECT> lines;
    bool inLine = false;
    for (int y = 0; y < pixels.height; ++y) {
        LONG left = pixels.width, right = 0;
        for (int x = 0; x < pixels.width; ++x)
            if (pixels.At(x, y) != pixels.At(0, 0)) {
                left = std::min<LONG>(left, x);
                right = x + 1;
            }
        if (right == 0) {
            inLine = false;
            continue;
        }
        if (!inLine) lines.push_back(RECT{left, y, right, y + 1});
        inLine = true;
        RECT& line = lines.back();
        line = RECT{std::min(line.left, left), line.top, std::max(line.right, right), y + 1};
    }
    return lines;
}

std::string Text(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof(text), "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

// The guest's corner marks as a picture holds them: top left, top right, bottom left, bottom right.
std::string Corners(const uidriver::Pixels& p) {
    std::string text = "corners";
    for (const POINT at : {POINT{0, 0}, POINT{p.width - 1, 0}, POINT{0, p.height - 1}, POINT{p.width - 1, p.height - 1}}) {
        const uint32_t rgb = p.At(at.x, at.y);
        char other[16];
        std::snprintf(other, sizeof other, "%06X", static_cast<unsigned>(rgb));
        text += std::string(" ") + (rgb == 0xFF0000 ? "red" : rgb == 0x00FF00 ? "green" : rgb == 0x0000FF ? "blue"
                                    : rgb == 0xFFFFFF ? "white" : other);
    }
    return text;
}

// A device-independent bitmap of 24 or 32 bits as a program that pastes it reads it.
std::string ReadDib(const BITMAPINFOHEADER* header, size_t size, uidriver::Pixels& pixels) {
    const LONG width = header->biWidth, height = std::abs(header->biHeight), bits = header->biBitCount;
    const size_t stride = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    const size_t offset = header->biSize + header->biClrUsed * 4;
    if (header->biCompression != BI_RGB || (bits != 24 && bits != 32) || width <= 0 || height == 0 ||
        size < offset + stride * height)
        return "a bitmap of another kind";
    const BYTE* rows = reinterpret_cast<const BYTE*>(header) + offset;
    pixels = uidriver::Pixels{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
    for (LONG y = 0; y < height; ++y)
        for (LONG x = 0; x < width; ++x) {
            const BYTE* p = rows + (header->biHeight > 0 ? height - 1 - y : y) * stride + x * bits / 8;
            pixels.data[static_cast<size_t>(y) * width + x] = p[2] << 16 | p[1] << 8 | p[0];
        }
    return std::to_string(width) + "x" + std::to_string(height) + " " + std::to_string(bits) + "-bit " +
           (header->biHeight > 0 ? "bottom-up" : "top-down") + ", " + Corners(pixels);
}

// A picture file decoded by the Windows Imaging Component, as any viewer would.
bool DecodeImage(const std::wstring& path, uidriver::Pixels& pixels) {
    static const HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComRef<IWICImagingFactory> factory;
    ComRef<IWICBitmapDecoder> decoder;
    ComRef<IWICBitmapFrameDecode> frame;
    ComRef<IWICFormatConverter> converter;
    UINT width = 0, height = 0;
    HRESULT hr = FAILED(com) ? com : CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                                      IID_PPV_ARGS(factory.Put()));
    if (SUCCEEDED(hr))
        hr = factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ, WICDecodeMetadataCacheOnDemand,
                                                decoder.Put());
    if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.Put());
    if (SUCCEEDED(hr)) hr = factory->CreateFormatConverter(converter.Put());
    if (SUCCEEDED(hr))
        hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0,
                                   WICBitmapPaletteTypeCustom);
    if (SUCCEEDED(hr)) hr = converter->GetSize(&width, &height);
    if (FAILED(hr) || width == 0 || height == 0) return false;
    pixels = uidriver::Pixels{static_cast<int>(width), static_cast<int>(height), std::vector<uint32_t>(width * height)};
    hr = converter->CopyPixels(nullptr, width * 4, width * height * 4, reinterpret_cast<BYTE*>(pixels.data.data()));
    for (uint32_t& p : pixels.data) p &= 0x00FFFFFF;
    return SUCCEEDED(hr);
}

std::string FileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

long long Minutes(const SYSTEMTIME& time) {
    FILETIME file{};
    SystemTimeToFileTime(&time, &file);
    return static_cast<long long>((static_cast<unsigned long long>(file.dwHighDateTime) << 32 | file.dwLowDateTime) /
                                  600000000ull);
}

// A suggested file name, its time stamp as "<time>" when it is the local time now (within two
// minutes), else by how far it is off. The program shares this process's time zone (ctest runs it
// in one far from UTC: a name in UTC is off by hours).
std::string SuggestedName(const std::string& name) {
    static const std::regex stamp("(\\d{4})-(\\d\\d)-(\\d\\d) (\\d\\d)(\\d\\d)(\\d\\d)");
    std::smatch m;
    if (!std::regex_search(name, m, stamp)) return name;
    auto at = [&](int i) { return static_cast<WORD>(std::stoi(m[i].str())); };
    const SYSTEMTIME named{at(1), at(2), 0, at(3), at(4), at(5), at(6), 0};
    SYSTEMTIME local{};
    GetLocalTime(&local);
    const long long off = Minutes(named) - Minutes(local);
    return m.prefix().str() + (std::llabs(off) <= 2 ? "<time>" : "<time " + std::to_string(off) + " min off>") +
           m.suffix().str();
}

// The Save As dialog's file name box: an edit control inside its combo box (cmb13).
HWND FileNameEdit(HWND dialog) {
    HWND box = GetDlgItem(dialog, 1148), edit = nullptr;
    if (box)
        EnumChildWindows(box, [](HWND child, LPARAM found) -> BOOL {
            wchar_t name[16];
            if (GetClassNameW(child, name, 16) && std::wstring(name) == L"Edit") *reinterpret_cast<HWND*>(found) = child;
            return TRUE;
        }, reinterpret_cast<LPARAM>(&edit));
    return edit;
}

bool MenuShown() {
    HWND menu = FindWindowW(L"#32768", nullptr);
    return menu && IsWindowVisible(menu);
}

bool IsDevice(const LoggedCall& call) {
    const std::string cls = call.Field("class");
    auto is = [&](const char* name) { return _stricmp(cls.c_str(), name) == 0; };
    return call.Is("ExecMethod") && (is("Msvm_Keyboard") || is("Msvm_SyntheticMouse") || is("Msvm_Ps2Mouse"));
}

// A query for a display controller or a video head: "select CLASS COUNT" or "associators ...".
std::string HeadQuery(const LoggedCall& call) {
    const std::string cls = call.Field("class");
    if (!call.Is("ExecQuery") || (cls.find("DisplayController") == std::string::npos && cls != "Msvm_VideoHead"))
        return {};
    const bool associators = _strnicmp(call.Field("query").c_str(), "Associators", 11) == 0;
    return (associators ? "associators " : "select ") + cls + " " + call.Field("count");
}

// A summary request of the overview: it asks for more than a picture (the state and figures).
bool OfOverview(const LoggedCall& call) {
    return call.Is("ExecMethod", "GetSummaryInformation") && call.json.contains("in") &&
           call.json["in"].contains("RequestedInformation") && call.json["in"]["RequestedInformation"].size() > 1;
}

// A machine-control call: a method that is neither an image request nor a device's.
bool IsControl(const LoggedCall& call) { return call.Is("ExecMethod") && !IsDevice(call) && !call.IsFetch(); }

// A method call's in-parameters as their JSON values: those that are not object paths, or only
// those that are.
std::string Values(const LoggedCall& call, bool paths = false) {
    std::string text;
    if (!call.json.is_object() || !call.json.contains("in")) return text;
    for (const auto& item : call.json.at("in").items()) {
        const nlohmann::ordered_json& first = item.value().is_array() && !item.value().empty() ? item.value().front()
                                                                                                : item.value();
        if (paths == (first.is_string() && first.get<std::string>().find(":Msvm_") != std::string::npos))
            text += " " + item.value().dump();
    }
    return text;
}

}  // namespace

std::string BaseScenario(const std::string& faults) {
    nlohmann::json scenario = nlohmann::json::parse(Hosts);
    // A host of a thousand machines, listed out of order.
    for (int i = 0; i < 1000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Farm %04d", (i * 7919) % 1000);
        scenario["hosts"].back()["machines"].push_back({{"elementName", name}});
    }
    // A fault goes to every host, or to the one its "host" names; a migration ("migrate") is a
    // change of the host it names; a {"hostile": ...} or {"generate": ...} is a member of the host
    // itself (every host hostile, say, or farm with more machines).
    for (auto fault : nlohmann::json::parse("[" + faults + "]")) {
        const std::string only = fault.value("host", "");
        const char* list = fault.contains("migrate") || fault.contains("set") ? "changes" : "faults";
        fault.erase("host");
        for (auto& host : scenario["hosts"]) {
            if (!only.empty() && host["name"] != only) continue;
            if (fault.contains("hostile") || fault.contains("generate"))
                host.update(fault);
            else
                host[list].push_back(fault);
        }
    }
    return scenario.dump();
}

ScenarioRun::ScenarioRun(const std::string& faults, int dpi, const std::string& arguments) {
    started_ = session.Start(BaseScenario(faults), {}, dpi, Wide(arguments)) &&
               // Full screen from the start keeps the monitor's size.
               (arguments.find("/full") != std::string::npos || session.SetClientSize(ClientWidth, ClientHeight)) &&
               (!arguments.empty() || session.ApplySettings(L"60000", nullptr));
}

ScenarioRun::~ScenarioRun() {
    for (const std::wstring& path : saved_) DeleteFileW(path.c_str());
}

bool ScenarioRun::Run(const std::string& steps) {
    std::istringstream list(steps);
    for (std::string step; std::getline(list, step, ';');) {
        std::vector<std::string> words;
        std::istringstream split(step);
        for (std::string word; split >> word;) words.push_back(word);
        if (!words.empty() && words[0] == "copy") words.assign({"copy", step.substr(step.find("copy") + 4)});
        if (words.empty()) continue;
        const bool taken = Step(words);
        Transcribe();
        if (!taken) {
            transcript.push_back("step failed:" + step);
            return false;
        }
    }
    return true;
}

bool ScenarioRun::Step(const std::vector<std::string>& w) {
    using namespace uidriver;
    auto arg = [&](size_t i) { return i < w.size() ? w[i] : std::string(); };
    auto text = [&](size_t i) { return arg(i).empty() || arg(i) == "-" ? std::wstring() : Wide(arg(i)); };
    auto orNull = [](const std::wstring& s) { return s.empty() ? nullptr : s.c_str(); };
    const std::string& verb = w[0];
    if (verb.rfind("ov", 0) == 0) return OverviewStep(w);
    for (const auto& c : Commands)
        if (verb == c.name) return session.Command(c.id) && session.SettleAndAnswer();
    for (const auto& m : Messages) {
        if (verb != m.name) continue;
        if (m.keyFlags == 0) {
            const POINT p = ImagePoint(arg(1), arg(2));
            return Post(m.msg, 0, MAKELPARAM(p.x, p.y));
        }
        const WPARAM vk = arg(1).size() == 1 ? static_cast<WPARAM>(arg(1)[0]) : std::stoul(arg(1));
        return Post(m.msg, vk, m.keyFlags);
    }
    if (verb == "settings") {
        const std::wstring interval = text(1), capture = text(2), frame = text(3);
        session.ApplySettings(orNull(interval), orNull(capture), orNull(frame));
        return session.Running();
    }
    if (verb == "open") return ConnectDialog({w.size() > 2 ? w[2] : "localhost"}, Wide(w[1]), text(3), text(4));
    if (verb == "list") return ConnectDialog(std::vector<std::string>(w.begin() + 1, w.end()), L"", L"", L"");
    if (verb == "tick") return Post(WM_TIMER, 1, 0);
    if (verb == "keymenu") {
        // The Keyboard menu by its mnemonic: WM_INITMENUPOPUP asks the guest for the modifier keys
        // before the popup shows.
        return PostMessageW(session.Window(), WM_SYSCOMMAND, SC_KEYMENU, 'k') && WaitUntil(MenuShown) &&
               Post(WM_CANCELMODE, 0, 0) && WaitUntil([] { return !MenuShown(); });
    }
    if (verb == "action") {
        // The Action menu by its mnemonic, then an item's: a greyed item does nothing.
        if (!PostMessageW(session.Window(), WM_SYSCOMMAND, SC_KEYMENU, 'a') || !WaitUntil(MenuShown) ||
            !PostMessageW(session.Window(), WM_CHAR, static_cast<WPARAM>(arg(1)[0]), 1))
            return false;
        if (!WaitUntil([] { return !MenuShown(); }, 2000)) Post(WM_CANCELMODE, 0, 0);
        return WaitUntil([] { return !MenuShown(); }) && session.SettleAndAnswer();
    }
    if (verb == "meanwhile") {
        session.meanwhile = [this, inner = std::vector<std::string>(w.begin() + 1, w.end())] { Step(inner); };
        return true;
    }
    if (verb == "post") {
        for (const auto& c : Commands)
            if (arg(1) == c.name) return session.Command(c.id);
        return false;
    }
    if (verb == "answer") {
        if (arg(1) == "ok" || arg(1) == "cancel")
            session.okCancelAnswer = arg(1) == "ok" ? IDOK : IDCANCEL;
        else
            session.yesNoAnswer = arg(1) == "yes" ? IDYES : IDNO;
        return true;
    }
    if (verb == "copy") {
        const std::wstring content = Wide(arg(1).empty() ? "" : arg(1).substr(1));
        if (!OpenClipboard(nullptr)) return false;
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (content.size() + 1) * sizeof(wchar_t));
        std::memcpy(GlobalLock(block), content.c_str(), (content.size() + 1) * sizeof(wchar_t));
        GlobalUnlock(block);
        SetClipboardData(CF_UNICODETEXT, block);
        return CloseClipboard();
    }
    if (verb == "held") {  // the clipboard kept open by another program (this one) meanwhile
        if (!OpenClipboard(nullptr)) return false;
        const bool done = Step(std::vector<std::string>(w.begin() + 1, w.end()));
        return CloseClipboard() && done;
    }
    if (verb == "point") {
        // The pointer's move reaches the window through the X server, later than a posted message
        // would: wait for the move to reach the host, so that a click after it is not overtaken.
        POINT p = ImagePoint(arg(1), arg(2));
        const size_t before = session.Calls().size();
        if (!ClientToScreen(session.Window(), &p) || !SetCursorPos(p.x, p.y)) return false;
        uidriver::WaitUntil([&] {
            const std::vector<LoggedCall> calls = session.Calls();
            for (size_t i = before; i < calls.size(); ++i)
                if (calls[i].Is("SetAbsolutePosition") || calls[i].Is("SetRelativePosition")) return true;
            return false;
        });
        return session.SettleAndAnswer();
    }
    if (verb == "watch") {
        watch = 0;
        for (size_t i = 1; i < w.size(); ++i)
            watch |= w[i] == "device"    ? Device
                     : w[i] == "fetch"   ? Fetch
                     : w[i] == "connect" ? Connect
                     : w[i] == "heads"   ? Heads
                     : w[i] == "control" ? Control
                     : w[i] == "read"    ? Read
                     : w[i] == "target"  ? Target
                                         : Class;
        return true;
    }
    if (verb == "title") {
        transcript.push_back("title " + Narrow(uidriver::Text(session.Window())));
        return true;
    }
    if (verb == "window") {
        const HWND window = session.Window();
        RECT r{};
        GetWindowRect(window, &r);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const bool covers = EqualRect(&r, &monitor.rcMonitor) != FALSE;
        std::string text = covers ? "window = monitor"
                                  : "window " + std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) +
                                        " at " + std::to_string(r.left) + "," + std::to_string(r.top);
        text += (GetWindowLongW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION ? ", caption" : ", no caption";
        transcript.push_back(text + (GetMenu(window) ? ", menu" : ", no menu"));
        return true;
    }
    if (verb == "ctrl-alt-pause") {
        // Typed for real: the console reads Ctrl and Alt from its own keyboard state.
        const HWND window = session.Window();
        const LONG before = GetWindowLongW(window, GWL_STYLE);
        SetForegroundWindow(window);
        if (!WaitUntil([&] { return GetForegroundWindow() == window; })) return false;
        INPUT keys[6]{};
        const WORD order[6] = {VK_CONTROL, VK_MENU, VK_PAUSE, VK_PAUSE, VK_MENU, VK_CONTROL};
        for (int i = 0; i < 6; ++i) {
            keys[i].type = INPUT_KEYBOARD;
            keys[i].ki.wVk = order[i];
            keys[i].ki.dwFlags = i < 3 ? 0 : KEYEVENTF_KEYUP;
        }
        if (SendInput(6, keys, sizeof(INPUT)) != 6) return false;
        WaitUntil([&] { return GetWindowLongW(window, GWL_STYLE) != before; });
        return session.SettleAndAnswer();
    }
    if (verb == "typed") {
        // The pieces after the first go on a timer; typing ends with a refresh.
        return WaitUntil([&] {
            const std::vector<LoggedCall> calls = session.Calls();
            const auto typed = std::find_if(calls.rbegin(), calls.rend(),
                                            [](const LoggedCall& c) { return c.Is("ExecMethod", "TypeText"); });
            return std::any_of(calls.rbegin(), typed, [](const LoggedCall& c) { return c.IsFetch(); });
        }) && session.SettleAndAnswer();
    }
    if (verb == "ticking") {
        const int fetches = session.CountFetches();
        transcript.push_back(WaitUntil([&] { return session.CountFetches() > fetches; }) ? "ticking" : "not ticking");
        return true;
    }
    if (verb == "ended") {
        transcript.push_back(WaitUntil([&] { return !session.Running(); }) ? "ended" : "still running");
        return true;
    }
    if (verb == "cursor") {
        POINT p{};
        GetCursorPos(&p);
        ScreenToClient(session.Window(), &p);
        const POINT origin = ImagePoint("0", "0");
        transcript.push_back("cursor " + std::to_string(p.x - origin.x) + "," + std::to_string(p.y - origin.y));
        return true;
    }
    if (verb == "shows") {
        const std::string what = arg(2).empty() ? arg(1) : arg(1) + " " + arg(2);
        std::string why;
        transcript.push_back("shows " + (Shows(what, why) ? what : why));
        return true;
    }
    if (verb == "client") return session.SetClientSize(std::stoi(arg(1)), std::stoi(arg(2))) && session.SettleAndAnswer();
    if (verb == "save") return SaveScreen(arg(1), arg(2));
    if (verb == "clipboard") {
        transcript.push_back(Clipboard());
        return true;
    }
    if (verb == "saved") {
        transcript.push_back(Saved(arg(1)));
        return true;
    }
    if (verb == "dpi") {
        // Wine answers GetDpiForWindow with the asking program's DPI; the window's frame and menu
        // bar, though, are sized for the DPI of the program that made it.
        using AdjustFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
        static const auto adjust = reinterpret_cast<AdjustFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
        RECT window{}, client{};
        GetWindowRect(session.Window(), &window);
        GetClientRect(session.Window(), &client);
        std::string dpi = "unknown";
        for (UINT d = 96; adjust && d <= 288; d += 24) {
            RECT frame{0, 0, client.right, client.bottom};
            adjust(&frame, static_cast<DWORD>(GetWindowLongPtrW(session.Window(), GWL_STYLE)), TRUE, 0, d);
            if (frame.right - frame.left == window.right - window.left && frame.bottom - frame.top == window.bottom - window.top)
                dpi = std::to_string(d);
        }
        transcript.push_back("dpi " + dpi);
        return true;
    }
    if (verb == "wait") {  // lets a back-off's delay pass: the next tick finds it over
        Sleep(static_cast<DWORD>(std::stoul(arg(1))));
        return true;
    }
    if (verb == "wire") {
        const std::vector<LoggedCall> calls = session.Calls();
        long count = 0;
        for (size_t i = wireMark_; i < calls.size(); ++i) count += calls[i].Field("wire") == "true";
        wireMark_ = calls.size();
        transcript.push_back("wire calls " + (count <= std::stol(arg(1)) ? "<= " + arg(1) : std::to_string(count)));
        return true;
    }
    if (verb == "tries") {
        // The connection's tries since it was lost: none before its step of the back-off (1, 2,
        // 4, 8, 16, then 30 s; half a tick early at most), and the picture back with the one that
        // succeeds. The gaps themselves go to the output, for the performance notes.
        const std::vector<LoggedCall> calls = session.Calls();
        long lostAt = -1, last = -1, tries = 0, early = 0, picture = -1;
        std::string gaps;
        for (const LoggedCall& call : calls) {
            const long ms = call.Field("ms").empty() ? -1 : std::stol(call.Field("ms"));
            if (lostAt < 0 && call.Field("hr") == "0x80010108") lostAt = last = ms;
            if (lostAt < 0 || ms < 0) continue;
            if (call.Is("ConnectServer")) {
                const long step = tries >= 5 ? 30000 : 1000L << tries;
                early += ms - last < step - 600;
                gaps += " " + std::to_string(ms - last);
                last = ms;
                ++tries;
            } else if (picture < 0 && tries > 0 && call.IsFetch() && call.Field("hr") == "0x00000000") {
                picture = ms - last;
            }
        }
        std::printf("reconnection: ms from the loss to each try:%s; from the try that succeeded to its picture: %ld\n",
                    gaps.c_str(), picture);
        transcript.push_back(std::to_string(tries) + " tries, " + (early ? std::to_string(early) + " before their step" : "none early"));
        return true;
    }
    if (verb == "logged") {
        // Whether the host's log holds the text anywhere (a password must never be there).
        long found = 0;
        for (const LoggedCall& call : session.Calls()) found += call.line.find(arg(1)) != std::string::npos;
        transcript.push_back("log holds " + arg(1) + ": " + (found ? "yes" : "no"));
        return true;
    }
    if (verb == "dialog" || verb == "enter") {
        using namespace uidriver;
        // The console's Connect dialog, or (/overview /user) the overview's Add Host.
        HWND dialog = nullptr;
        WaitUntil([&] {
            for (HWND d : Dialogs(session.ProcessId()))
                if (uidriver::Text(d) == L"Connect" || uidriver::Text(d) == L"Add Host") dialog = d;
            return dialog != nullptr;
        });
        if (!dialog) {
            transcript.push_back("no Connect dialog");
            return true;
        }
        const bool addHost = uidriver::Text(dialog) == L"Add Host";
        HWND password = GetDlgItem(dialog, addHost ? IDC_ADD_HOST_PASSWORD : IDC_CONNECT_PASSWORD);
        if (verb == "enter") {
            if (!arg(1).empty()) SetItemText(dialog, GetDlgCtrlID(password), Wide(arg(1)).c_str());
            PostMessageW(password, WM_KEYDOWN, VK_RETURN, 1);
            PostMessageW(password, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC0000001));
        }
        if (!session.SettleAndAnswer({dialog})) return false;
        Transcribe();
        if (verb == "enter") return true;
        GUITHREADINFO thread{sizeof(GUITHREADINFO)};
        GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread);
        if (addHost) {
            transcript.push_back("Add Host " + Narrow(ItemText(dialog, IDC_ADD_HOST_SERVER)) + " user " +
                                 Narrow(ItemText(dialog, IDC_ADD_HOST_USER)) + ", focus " +
                                 (thread.hwndFocus == password ? "password" : "other"));
            return true;
        }
        const std::vector<std::wstring> items = ComboItems(dialog, IDC_CONNECT_MACHINES);
        const LRESULT selected = SendMessageW(GetDlgItem(dialog, IDC_CONNECT_MACHINES), CB_GETCURSEL, 0, 0);
        std::string listed;
        for (const std::wstring& item : items) listed += (listed.empty() ? " " : ", ") + Narrow(item);
        transcript.push_back("Connect " + Narrow(ItemText(dialog, IDC_CONNECT_SERVER)) + " user " +
                             Narrow(ItemText(dialog, IDC_CONNECT_USER)) + ", focus " +
                             (thread.hwndFocus == password ? "password" : thread.hwndFocus == GetDlgItem(dialog, IDC_CONNECT_SERVER) ? "server" : "other") +
                             ", listed" + listed + ", selected " +
                             (selected >= 0 && static_cast<size_t>(selected) < items.size() ? Narrow(items[selected]) : "none"));
        return true;
    }
    ADD_FAILURE() << "unknown step " << verb;
    return false;
}

bool ScenarioRun::OverviewStep(const std::vector<std::string>& w) {
    using namespace uidriver;
    auto arg = [&](size_t i) { return i < w.size() ? w[i] : std::string(); };
    const std::string& verb = w[0];
    auto settle = [&] { return session.SettleAndAnswer(); };
    if (verb == "overview") {
        if (!session.Command(IDM_OVERVIEW)) return false;
        overview_ = WaitForWindow(L"VUEMERE_OVERVIEW", nullptr, session.ProcessId());
        ovList_ = overview_ ? FindWindowExW(overview_, nullptr, L"SysListView32", nullptr) : nullptr;
        if (!ovList_) return false;
        // Beside the console, so that neither covers the other's pixels.
        SetWindowPos(overview_, nullptr, 460, 0, 700, 560, SWP_NOZORDER | SWP_NOACTIVATE);
        transcript.push_back("overview " + Narrow(uidriver::Text(overview_)));
        return settle();
    }
    if (!overview_ || !IsWindow(overview_)) return false;
    if (verb == "ov") {
        for (const auto& c : OverviewCommands)
            if (arg(1) == c.name) return PostCommand(overview_, c.id) && settle();
        for (const auto& c : Commands)
            if (arg(1) == c.name) return PostCommand(overview_, c.id) && settle();
        ADD_FAILURE() << "unknown overview command " << arg(1);
        return false;
    }
    if (verb == "ov-add") {
        HWND dialog = PostCommand(overview_, IDM_OV_ADD_HOST) ? WaitForDialog(L"Add Host", overview_, session.ProcessId())
                                                              : nullptr;
        if (!dialog || !SetItemText(dialog, IDC_ADD_HOST_SERVER, Wide(arg(1)).c_str()) ||
            !SetItemText(dialog, IDC_ADD_HOST_USER, Wide(arg(2)).c_str()) ||
            !SetItemText(dialog, IDC_ADD_HOST_PASSWORD, Wide(arg(3)).c_str()) || !Click(dialog, IDOK) ||
            !session.SettleAndAnswer({dialog}))
            return false;
        if (!IsWindow(dialog)) return settle();
        Transcribe();
        transcript.push_back("Add Host stays open");
        return Answer(dialog, IDCANCEL) && settle();
    }
    if (verb == "ov-menu") {
        // The shortcut menu as Shift+F10 opens it, then an item's mnemonic. Wine closes the menu
        // on a greyed item's too, so whether an item is greyed cannot be seen from here.
        return PostMessageW(overview_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(ovList_), -1) && WaitUntil(MenuShown) &&
               PostMessageW(overview_, WM_CHAR, static_cast<WPARAM>(arg(1)[0]), 1) &&
               WaitUntil([] { return !MenuShown(); }) && settle();
    }
    if (verb == "ov-tick") return PostMessageW(overview_, WM_TIMER, OverviewTimerId, 0) && settle();
    if (verb == "ov-wire") {
        // One tick's wire calls; a tick that listed a host's machines is followed by one that does not.
        for (int round = 0; round < 2; ++round) {
            const size_t before = session.Calls().size();
            if (!PostMessageW(overview_, WM_TIMER, OverviewTimerId, 0) || !settle()) return false;
            const std::vector<LoggedCall> calls = session.Calls();
            long wire = 0;
            bool listed = false;
            for (size_t i = before; i < calls.size(); ++i) {
                wire += calls[i].Field("wire") == "true";
                listed = listed || calls[i].Is("ExecQuery");
            }
            if (!listed || round == 1) {
                transcript.push_back("tick wire calls " + std::to_string(wire));
                break;
            }
        }
        logged_ = session.Calls().size();
        return true;
    }
    if (verb == "ov-rows") {
        std::vector<int> columns;
        for (size_t i = 1; i < w.size(); ++i) columns.push_back(std::stoi(w[i]));
        if (columns.empty()) columns = {0, 1};
        for (const auto& row : ListViewRows(ovList_, *std::max_element(columns.begin(), columns.end()) + 1)) {
            std::string line = "row";
            for (int c : columns) line += (line.size() > 3 ? ", " : " ") + Narrow(row[static_cast<size_t>(c)]);
            transcript.push_back(line);
        }
        return true;
    }
    if (verb == "ov-widths") {  // the Details columns' widths, in the window's pixels
        std::string line = "widths";
        for (int c = 0; c < DetailsColumnCount; ++c)
            line += (c ? ", " : " ") + std::to_string(SendMessageW(ovList_, LVM_GETCOLUMNWIDTH, c, 0));
        transcript.push_back(line);
        return true;
    }
    if (verb == "ov-select") {
        const auto rows = ListViewRows(ovList_, 1);
        std::vector<int> items;
        for (size_t i = 1; i < w.size(); ++i) {
            const std::wstring name = Wide(std::regex_replace(w[i], std::regex("_"), " "));
            for (size_t r = 0; r < rows.size(); ++r)
                if (rows[r][0] == name) items.push_back(static_cast<int>(r));
        }
        return ListViewSelect(ovList_, items) && settle();
    }
    if (verb == "ov-sort") {
        // A click on the header of that column, where the list's column widths put it.
        HWND header = FindWindowExW(ovList_, nullptr, L"SysHeader32", nullptr);
        const int column = std::stoi(arg(1));
        int x = 0;
        for (int c = 0; c < column; ++c) x += static_cast<int>(SendMessageW(ovList_, LVM_GETCOLUMNWIDTH, c, 0));
        const LPARAM at = MAKELPARAM(x + static_cast<int>(SendMessageW(ovList_, LVM_GETCOLUMNWIDTH, column, 0)) / 2, 4);
        return header && PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageW(header, WM_LBUTTONUP, 0, at) &&
               settle();
    }
    if (verb == "ov-key") return PostKey(ovList_, static_cast<UINT>(std::stoul(arg(1)))) && settle();
    if (verb == "ov-tiles" || verb == "ov-wait-colour") {
        // Each tile's picture: in colour, or without any (grey: greyed, or a plain tile).
        auto look = [&](std::string& seen) {
            // The list fills the window's client area from its corner.
            uidriver::Pixels pixels;
            if (!CaptureClient(overview_, pixels)) return false;
            const auto rows = ListViewRows(ovList_, 2);
            seen = "tiles";
            bool colour = true;
            for (size_t r = 0; r < rows.size(); ++r) {
                RECT at{};
                bool coloured = false;
                if (!ListViewImageRect(ovList_, static_cast<int>(r), at)) continue;
                for (LONG y = std::max(at.top, 0L); y < std::min<LONG>(at.bottom, pixels.height); ++y)
                    for (LONG x = std::max(at.left, 0L); x < std::min<LONG>(at.right, pixels.width); ++x) {
                        const uint32_t p = pixels.At(x, y);
                        const int red = p >> 16 & 0xFF, green = p >> 8 & 0xFF, blue = p & 0xFF;
                        coloured = coloured || std::max({red, green, blue}) - std::min({red, green, blue}) > 40;
                    }
                // The Host column names the host, and after a colon why it is not answering.
                if (verb == "ov-wait-colour" && Narrow(rows[r][1]).substr(0, arg(1).size()) == arg(1))
                    colour = colour && coloured;
                seen += (seen.size() > 5 ? ", " : " ") + Narrow(rows[r][0]) + (coloured ? " colour" : " grey");
            }
            return colour;
        };
        std::string seen;
        if (verb == "ov-tiles") {
            // Painting comes after every queued message: wait for what a tick drew.
            WaitUntil([&] { return !GetUpdateRect(ovList_, nullptr, FALSE); });
            look(seen);
            transcript.push_back(seen);
            return true;
        }
        const bool back = WaitUntil([&] { return look(seen); }, 2 * HostRetryMs);
        transcript.push_back(arg(1) + (back ? " back in colour" : " not back: " + seen));
        return true;
    }
    ADD_FAILURE() << "unknown overview step " << verb;
    return false;
}

bool ScenarioRun::ConnectDialog(const std::vector<std::string>& servers, const std::wstring& machine,
                                const std::wstring& user, const std::wstring& password) {
    using namespace uidriver;
    HWND dialog = session.Command(IDM_CONNECT) ? WaitForDialog(L"Connect", session.Window(), session.ProcessId())
                                               : nullptr;
    if (!dialog) return false;
    // Never shown: the password typed last time, nor what is typed now.
    if (!ItemText(dialog, IDC_CONNECT_PASSWORD).empty() || !(GetWindowLongPtrW(GetDlgItem(dialog, IDC_CONNECT_PASSWORD), GWL_STYLE) & ES_PASSWORD))
        transcript.push_back("Connect: the password box shows its text");
    SetItemText(dialog, IDC_CONNECT_USER, user.c_str());
    SetItemText(dialog, IDC_CONNECT_PASSWORD, password.c_str());
    for (const std::string& server : servers) {
        // The listing runs inside the button's handler: once the dialog has taken everything
        // posted, the list is filled or the error box is up.
        if (!SetItemText(dialog, IDC_CONNECT_SERVER, Wide(server).c_str()) || !Click(dialog, IDC_CONNECT_BUTTON) ||
            !session.SettleAndAnswer({dialog}))
            return false;
        Transcribe();
        if (!machine.empty()) continue;
        std::string listed = "listed";
        for (const std::wstring& item : ComboItems(dialog, IDC_CONNECT_MACHINES))
            listed += (listed.size() > 6 ? ", " : " ") + Narrow(item);
        transcript.push_back(listed);
    }
    if (!machine.empty()) {
        const size_t hash = machine.find(L'#');
        const int occurrence = hash == std::wstring::npos ? 1 : std::stoi(machine.substr(hash + 1));
        if (OpenFromList(dialog, machine.substr(0, hash).c_str(), occurrence)) {
            opened_ = Narrow(machine);
            return session.SettleAndAnswer();
        }
        transcript.push_back("not listed " + Narrow(machine));
    }
    return Answer(dialog, IDCANCEL) && session.SettleAndAnswer();
}

bool ScenarioRun::SaveScreen(const std::string& name, const std::string& mode) {
    using namespace uidriver;
    const std::wstring path = session.Dir() + L"\\" + Wide(name);
    const std::string before = FileBytes(path);
    if (mode == "readonly") SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    // locked: another program (an indexer, a virus scanner) holds the file open, sharing nothing,
    // until 300 ms after the dialog has gone.
    HANDLE file = mode == "locked" ? CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) : nullptr;
    if (file == INVALID_HANDLE_VALUE) return false;  // nothing there to hold: the step cannot be taken
    std::unique_ptr<void, BOOL(WINAPI*)(HANDLE)> held(file, &CloseHandle);
    // The capture comes first: when it fails, a box comes instead of the dialog.
    HWND dialog = nullptr;
    if (!session.Command(IDM_SAVE_SCREEN) || !WaitUntil([&] {
            const std::vector<HWND> shown = Dialogs(session.ProcessId());
            for (HWND d : shown) dialog = FileNameEdit(d) ? d : dialog;
            return !shown.empty();
        }))
        return false;
    if (!dialog) {
        const bool settled = session.SettleAndAnswer();
        Transcribe();
        transcript.push_back("no Save As dialog");
        return settled;
    }
    Transcribe();
    HWND edit = FileNameEdit(dialog);
    transcript.push_back("suggested " + SuggestedName(Narrow(uidriver::Text(edit))));
    if (mode == "box") {
        // A box of the console's comes while the dialog is up; the dialog goes first.
        HWND box = session.Command(IDM_ACTION_RESET) ? WaitForDialog(L"Reset", session.Window(), session.ProcessId()) : nullptr;
        if (!box || !Answer(dialog, IDCANCEL)) return false;
        transcript.push_back(IsWindowEnabled(session.Window()) ? "console enabled under its box" : "console disabled under its box");
        return session.SettleAndAnswer();
    }
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    saved_.push_back(path);
    saved_.push_back(path + L".png");  // a name without an extension gets one
    if (!Click(dialog, IDOK)) return false;
    if (!mode.empty()) {
        // The dialog's own question (Yes or No), from its own thread.
        HWND question = WaitForDialog(nullptr, dialog, session.ProcessId());
        const bool keep = mode == "keep";
        if (!question || !Answer(question, keep ? IDNO : IDYES) || !(keep ? Answer(dialog, IDCANCEL) : WaitGone(dialog)))
            return false;
    } else if (!WaitGone(dialog)) {
        return false;
    }
    if (held) {
        Sleep(300);
        held.reset();
    }
    // The console's loop keeps answering until the dialog's thread has ended, then writes the file
    // and enables itself (or shows a box): settling before that would read the file too early.
    WaitUntil([&] { return IsWindowEnabled(session.Window()) || !Dialogs(session.ProcessId()).empty(); });
    const bool settled = session.SettleAndAnswer();
    Transcribe();
    if (!mode.empty()) transcript.push_back("asked before replacing " + name + (FileBytes(path) == before ? ", kept" : ", changed"));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    // Nothing half-written stays beside it.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"?*").c_str(), &found);
    for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileW(search, &found)) {
        if (std::find(saved_.begin(), saved_.end(), session.Dir() + L"\\" + found.cFileName) != saved_.end()) continue;
        transcript.push_back("left behind " + Narrow(found.cFileName));
        saved_.push_back(session.Dir() + L"\\" + found.cFileName);
    }
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    return settled;
}

std::string ScenarioRun::Clipboard() {
    if (!OpenClipboard(nullptr)) return "clipboard cannot be opened";
    std::string what = "clipboard empty";
    if (HGLOBAL block = GetClipboardData(CF_DIB)) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(block));
        what = header ? "clipboard " + ReadDib(header, GlobalSize(block), copied_) : "clipboard bitmap unreadable";
        GlobalUnlock(block);
    } else if (HGLOBAL text = GetClipboardData(CF_UNICODETEXT)) {
        what = "clipboard text " + Narrow(static_cast<const wchar_t*>(GlobalLock(text)));
        GlobalUnlock(text);
    }
    CloseClipboard();
    return what;
}

std::string ScenarioRun::Saved(const std::string& name) {
    uidriver::Pixels png;
    if (!DecodeImage(session.Dir() + L"\\" + Wide(name), png)) return "saved " + name + " does not decode";
    std::string what = "saved " + name + " " + std::to_string(png.width) + "x" + std::to_string(png.height) + ", " + Corners(png);
    if (png.width != copied_.width || png.height != copied_.height) return what + ", not the copy's size";
    // The frame counter in the top right corner counts every image the host sends: two captures
    // differ there, and only there.
    for (int y = 0; y < png.height; ++y)
        for (int x = 0; x < png.width; ++x)
            if (png.At(x, y) != copied_.At(x, y) && (x < png.width / 2 || y >= png.height / 4))
                return what + ", unlike the copy at " + std::to_string(x) + "," + std::to_string(y);
    return what + ", the copy's pixels but the frame counter";
}

bool ScenarioRun::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
    // One message at a time: each is handled, with the refresh it asks for, before the next comes.
    // A message may end the program (Alt+F4); the steps after it fail then. Its window goes before
    // its process does.
    return PostMessageW(session.Window(), msg, wParam, lParam) &&
           (session.SettleAndAnswer() || uidriver::WaitUntil([&] { return !session.Running(); }));
}

POINT ScenarioRun::ImagePoint(const std::string& x, const std::string& y) const {
    static const std::map<std::string, MachineInfo> machines = MachinesOf(BaseScenario());
    const auto found = machines.find(opened_);
    const PaintRect place = found == machines.end() ? Place(session.Window(), 320, 240)
                                                    : Place(session.Window(), found->second.width, found->second.height);
    return POINT{place.left + std::stoi(x), place.top + std::stoi(y)};
}

void ScenarioRun::Transcribe() {
    static const std::map<std::string, MachineInfo> machines = MachinesOf(BaseScenario());
    const auto opened = machines.find(opened_);
    const std::vector<LoggedCall> calls = session.Calls();
    auto logUpTo = [&](size_t end) {
        for (; logged_ < end && logged_ < calls.size(); ++logged_) {
            const LoggedCall& call = calls[logged_];
            std::string hr = call.Field("hr");
            hr = hr == "0x00000000" ? std::string() : hr.insert(0, 1, ' ');
            std::string entry;
            const bool instanceRead = call.Is("GetObject") && call.Field("target").find('=') != std::string::npos;
            if (IsDevice(call) || call.IsFetch() || IsControl(call)) {
                const unsigned kind = IsDevice(call) ? Device : call.IsFetch() ? Fetch : Control;
                if ((watch & kind) != 0) entry = call.Field("method") + Values(call) + hr;
                if (!entry.empty() && kind == Control && (watch & Target))
                    for (const auto& [name, info] : machines)
                        if (!info.guid.empty() && call.Field("target").find(info.guid) != std::string::npos) entry += " to " + name;
                // A call that reaches a machine names the one opened: a device's path, or that of
                // the live settings, holds its identifier (a checkpoint's settings have their own).
                const std::string reference = IsDevice(call) ? call.Field("target")
                                              : kind == Control ? call.Field("target") + Values(call, true)
                                                                : Values(call, true);
                // The overview's summaries are of many machines, none of them the one opened.
                if (opened != machines.end() && !opened->second.guid.empty() && hr.empty() && !OfOverview(call) &&
                    reference.find(":Msvm_") != std::string::npos && reference.find(opened->second.guid) == std::string::npos)
                    entry = (entry.empty() ? call.Field("method") : entry) + " (not to " + opened_ + ")";
            } else if (call.Is("ConnectServer") && (watch & Connect)) {
                entry = "connect " + call.Field("namespace") + hr;
            } else if (call.Is("GetObject") && (watch & (instanceRead ? Read : Class))) {
                entry = (instanceRead ? "read " : "GetObject ") + call.Field("class") + hr;
            } else if (watch & Heads) {
                entry = HeadQuery(call);
            }
            if (!entry.empty()) transcript.push_back(entry);
        }
    };
    const std::vector<ShownBox>& boxes = session.Boxes();
    for (; boxes_ < boxes.size(); ++boxes_) {
        logUpTo(boxes[boxes_].loggedBefore);
        const ShownBox& box = boxes[boxes_];
        transcript.push_back(Narrow(box.caption) + ": " + Narrow(box.text) +
                             (box.defaultButton.empty() ? "" : " [" + Narrow(box.defaultButton) + "]"));
    }
    logUpTo(calls.size());
}

bool ScenarioRun::Shows(const std::string& what, std::string& why, DWORD timeoutMs) {
    int width = 0, height = 0;
    const bool corners = what.find("corners") != std::string::npos, exact = what.find("exact") != std::string::npos;
    std::sscanf(what.c_str(), "%dx%d", &width, &height);
    const PaintRect p = Place(session.Window(), width, height);
    const RECT place{p.left, p.top, p.right, p.bottom};
    // The window paints once its queue is empty; ticks may repaint meanwhile.
    return uidriver::WaitUntil(
        [&] {
            uidriver::Pixels pixels;
            if (!uidriver::CaptureClient(session.Window(), pixels)) {
                why = "cannot capture the window";
                return false;
            }
            const RECT box = Drawn(pixels);
            why = "drawn " + Text(box);
            if (box.right <= box.left) {
                why = "nothing drawn";
                return false;
            }
            if (width == 0) {  // the no-image text, centred, and for "text+line" a line under it
                const std::vector<RECT> lines = DrawnLines(pixels);
                why += " in " + std::to_string(lines.size()) + " lines";
                if (lines.size() != (what == "text" ? 1u : 2u)) return false;
                const RECT& text = lines.front();
                auto centred = [&](const RECT& r) {
                    return r.bottom - r.top < 40 && r.right - r.left < pixels.width - 2 * WhiteFrame &&
                           std::abs((r.left + r.right) - pixels.width) <= 4;
                };
                return centred(text) && std::abs((text.top + text.bottom) - pixels.height) <= 4 &&
                       centred(lines.back());
            }
            if (box.left < place.left || box.top < place.top || box.right > place.right || box.bottom > place.bottom)
                return false;
            why += ", the guest's corner marks not at the corners of " + Text(place);
            const int l = place.left + 2, t = place.top + 2, r = place.right - 3, b = place.bottom - 3;
            // The very first pixel too: a picture shifted by a few bytes shows something else there.
            return Near(pixels.At(l, t), 0xFF0000) && Near(pixels.At(place.left, place.top), 0xFF0000) &&
                   (!corners || (Near(pixels.At(r, t), 0x00FF00) && Near(pixels.At(l, b), 0x0000FF) &&
                                 Near(pixels.At(r, b), 0xFFFFFF))) &&
                   (!exact || EqualRect(&box, &place));
        },
        timeoutMs);
}

bool ScenarioRun::Exit(long& liveObjects) {
    liveObjects = -1;
    DWORD exitCode = 1;
    const bool ended = session.Command(IDM_EXIT) && session.WaitExit(exitCode);
    const std::vector<LoggedCall> calls = session.Calls();
    if (!calls.empty() && calls.back().Is("Exit")) liveObjects = std::stol(calls.back().Field("liveObjects"));
    return ended && exitCode == 0;
}

void PrintTo(const Row& row, std::ostream* out) { *out << row.name; }

void ExpectRow(const Row& row) {
    ScenarioRun run(row.faults, row.dpi, row.arguments);
    ASSERT_TRUE(run.Started()) << Narrow(run.session.Error());
    run.Run(row.steps);
    // As lines of one text, so that a failure shows where the two differ.
    auto lines = [](const std::vector<std::string>& transcript) {
        std::string text;
        for (const std::string& line : transcript) text += line + "\n";
        return text;
    };
    EXPECT_EQ(lines(run.transcript), lines(row.transcript));
}
