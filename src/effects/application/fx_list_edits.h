#pragma once

#include <string>
#include <vector>

#include "effects/settings/fx_install_table.h"

namespace qev::effects {

// Registry-side edits of the composite effect and mode lists of one FX key.

// The list; empty when it is missing or can't be read.
std::vector<std::wstring> ReadFxList(const std::wstring& fxKey, const std::wstring& list);

// Appends to each entry's list the CLSIDs it lacks (any case), in table order, and writes it back.
void MergeInstallEntries(const std::wstring& fxKey, const std::vector<FxInstallEntry>& entries);

}  // namespace qev::effects
