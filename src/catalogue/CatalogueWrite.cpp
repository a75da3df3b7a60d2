#include "catalogue/CatalogueWrite.h"

#include <exception>

#include "catalogue/Catalogue.h"
#include "platform/Text.h"
#include "toolkit/ErrorDisplay.h"
#include "toolkit/PageHost.h"

namespace vh::catalogue {

bool RunCatalogueWrite(vh::PageHost& host, const std::function<std::optional<TWriteResult>()>& write) {
    std::optional<TWriteResult> result;
    try {
        result = write();
    } catch (const std::exception& e) {
        vh::ShowApplicationError(e.what());
        return false;
    }
    if (result && *result != TWriteResult::Done)
        host.ShowNotice(vh::text::Utf8ToGbk("错误"), RefusalText(*result));
    return true;
}

} // namespace vh::catalogue
