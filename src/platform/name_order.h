#pragma once
// The order in which a folder's entries are listed: by name as NTFS lists a folder, ASCII letters compared
// upper-cased, byte by byte (UTF-8 byte order is code-point order), ties broken by the raw bytes. Linux lists a
// folder in hash order, which reads as random in a report.
#include <string_view>
#include <vector>

#include "platform/dir_handles.h"

namespace dv {

// True when `a` comes before `b`.
bool NameBefore(std::string_view a, std::string_view b);

void SortByName(std::vector<DirEntry>& entries);

}  // namespace dv
