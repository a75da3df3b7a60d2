#pragma once
// Plain helpers of the catalogue pages. Texts are GBK.
#include <string>
#include <string_view>

#include "storage/uDBFunc.h"

namespace vh::catalogue {

// The program names of the entries with at least lowestState ("0" all, "1" work programs); empty when
// the catalogue lists nothing or the query fails.
TStringList LoadProgramNames(const std::string& lowestState);

// Why a catalogue write was refused, as one short sentence for the user (GBK); empty for Done.
std::string RefusalText(TWriteResult result);

// True when items holds name, ignoring the case of ASCII letters.
bool ContainsIgnoreCase(const TStringList& items, std::string_view name);

} // namespace vh::catalogue
