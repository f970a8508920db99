#pragma once
// Runs a WQL query against a host's current objects, as one version of the provider shows them.
#include "hostsim/host_objects.h"

#include <memory>
#include <string>
#include <vector>

namespace hostsim {

struct QueryResult {
    std::wstring className;  // the FROM class or ResultClass ("" for unrestricted associators)
    std::vector<std::shared_ptr<ObjectData>> objects;
};

// The class a query asks for, for logs and faults, even when the query turns out to be wrong.
std::wstring QueryClass(const std::wstring& text);

// WBEM_E_INVALID_QUERY for malformed text or an unknown property in WHERE, WBEM_E_INVALID_CLASS
// for an unknown FROM class, WBEM_E_NOT_FOUND for an associators anchor that names no object.
HRESULT RunQuery(const HostView& view, const std::wstring& text, QueryResult& result);

}  // namespace hostsim
