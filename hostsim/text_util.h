#pragma once
// Text helpers of the simulator: UTF-8 / UTF-16 conversion and WMI's case-insensitive names.
#include <string>
#include <string_view>

namespace hostsim {

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view utf8);
// Case-insensitive comparison as WMI applies it to class, property, method and key names.
bool IEquals(std::wstring_view a, std::wstring_view b);
bool IEquals(std::string_view a, std::string_view b);
std::wstring Lower(std::wstring_view text);
// Upper case as IEquals compares (its ordinal case folding maps to upper case).
std::wstring Upper(std::wstring_view text);

}  // namespace hostsim
