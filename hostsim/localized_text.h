#pragma once
// The Caption and Description texts of a host's objects in the host's language. A host installed
// in another language answers other words there, so no client may filter on them.
#include <string>

namespace hostsim {

// `english` as a host in `language` ("en" or "de") words it.
std::wstring Localized(const std::string& language, const std::wstring& english);

}  // namespace hostsim
