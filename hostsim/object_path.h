#pragma once
// WMI object paths: \\SERVER\root\virtualization:Class.Key="value",Key2="value2"
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace hostsim {

struct ObjectPath {
    std::wstring server;     // "" when the path is relative
    std::wstring nameSpace;  // "" when the path is relative
    std::wstring className;
    std::vector<std::pair<std::wstring, std::wstring>> keys;  // empty: the path names the class itself
};

// Parses a full or relative path; key values may be quoted strings (with \" and \\ escapes) or
// integers. Returns nothing for malformed text.
std::optional<ObjectPath> ParseObjectPath(const std::wstring& text);

// The relative path Class.Key="value",... with quotes and backslashes in values escaped.
std::wstring FormatRelativePath(const std::wstring& className,
                                const std::vector<std::pair<std::wstring, std::wstring>>& keys);

}  // namespace hostsim
