#pragma once
// How a page carries out a catalogue write: a refusal is said under "错误" with its reason; a failed
// roll-back (no connection) ends the handler on the application's error display.
#include <functional>
#include <optional>

#include "storage/uDBFunc.h"

namespace vh {
class PageHost;
}

namespace vh::catalogue {

// write returns nothing when it had nothing to write. False when the write threw: the page then refreshes
// nothing, as the handler ended there.
bool RunCatalogueWrite(vh::PageHost& host, const std::function<std::optional<TWriteResult>()>& write);

} // namespace vh::catalogue
