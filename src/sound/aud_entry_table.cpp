// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/aud_entry_table.h"

#include <algorithm>
#include <iterator>

std::string DecoratedName(const AudExport& entry) {
    return "_" + std::string(entry.name) + "@" + std::to_string(entry.argumentBytes);
}

AudEntryTable BindEntryPoints(const std::function<win::FARPROC(const char* decoratedName)>& lookup) {
    AudEntryTable table;
    for (const AudExport& entry : AudExports) entry.store(table, lookup(DecoratedName(entry).c_str()));
    return table;
}

bool IsFullyBound(const AudEntryTable& table) {
    return std::all_of(std::begin(AudExports), std::end(AudExports),
                       [&](const AudExport& entry) { return entry.isBound(table); });
}
