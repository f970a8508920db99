#include "hostsim/object_path.h"

#include <cwctype>

namespace hostsim {
namespace {

bool IsNameChar(wchar_t c) { return std::iswalnum(c) || c == L'_'; }

}  // namespace

std::optional<ObjectPath> ParseObjectPath(const std::wstring& text) {
    ObjectPath path;
    size_t pos = 0;
    auto isSlash = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (text.size() >= 2 && isSlash(text[0]) && isSlash(text[1])) {
        size_t serverEnd = 2;
        while (serverEnd < text.size() && !isSlash(text[serverEnd])) ++serverEnd;
        size_t colon = text.find(L':', serverEnd);
        if (serverEnd == 2 || serverEnd >= text.size() || colon == std::wstring::npos) return std::nullopt;
        path.server = text.substr(2, serverEnd - 2);
        path.nameSpace = text.substr(serverEnd + 1, colon - serverEnd - 1);
        for (auto& c : path.nameSpace)
            if (c == L'/') c = L'\\';
        if (path.nameSpace.empty()) return std::nullopt;
        pos = colon + 1;
    } else if (size_t colon = text.find(L':'); colon != std::wstring::npos && text.find(L'"') > colon) {
        path.nameSpace = text.substr(0, colon);  // namespace-relative form root\virtualization:Class...
        pos = colon + 1;
    }
    size_t classStart = pos;
    while (pos < text.size() && IsNameChar(text[pos])) ++pos;
    if (pos == classStart) return std::nullopt;
    path.className = text.substr(classStart, pos - classStart);
    if (pos == text.size()) return path;
    if (text[pos] != L'.') return std::nullopt;
    ++pos;
    while (true) {
        size_t keyStart = pos;
        while (pos < text.size() && IsNameChar(text[pos])) ++pos;
        if (pos == keyStart || pos >= text.size() || text[pos] != L'=') return std::nullopt;
        std::wstring key = text.substr(keyStart, pos - keyStart);
        ++pos;
        std::wstring value;
        if (pos < text.size() && text[pos] == L'"') {
            ++pos;
            bool closed = false;
            while (pos < text.size()) {
                wchar_t c = text[pos++];
                if (c == L'\\' && pos < text.size()) {
                    value += text[pos++];
                } else if (c == L'"') {
                    closed = true;
                    break;
                } else {
                    value += c;
                }
            }
            if (!closed) return std::nullopt;
        } else {
            size_t start = pos;
            if (pos < text.size() && text[pos] == L'-') ++pos;
            while (pos < text.size() && std::iswdigit(text[pos])) ++pos;
            if (pos == start) return std::nullopt;
            value = text.substr(start, pos - start);
        }
        path.keys.emplace_back(std::move(key), std::move(value));
        if (pos == text.size()) return path;
        if (text[pos] != L',') return std::nullopt;
        ++pos;
    }
}

std::wstring FormatRelativePath(const std::wstring& className,
                                const std::vector<std::pair<std::wstring, std::wstring>>& keys) {
    std::wstring out = className;
    for (size_t i = 0; i < keys.size(); ++i) {
        out += i == 0 ? L'.' : L',';
        out += keys[i].first;
        out += L"=\"";
        for (wchar_t c : keys[i].second) {
            if (c == L'"' || c == L'\\') out += L'\\';
            out += c;
        }
        out += L'"';
    }
    return out;
}

}  // namespace hostsim
