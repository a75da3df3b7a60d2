#include "catalogue/Catalogue.h"

#include "platform/Text.h"

namespace vh::catalogue {

TStringList LoadProgramNames(const std::string& lowestState) {
    TStringList names;
    bool listed = false;
    try {
        listed = TDBFunc::ListPrograms(names, lowestState);
    } catch (...) {
        listed = false;
    }
    if (!listed)
        names.clear();
    return names;
}

bool ContainsIgnoreCase(const TStringList& items, std::string_view name) {
    for (const auto& item : items) {
        if (vh::text::EqualsIgnoreAsciiCase(item, name))
            return true;
    }
    return false;
}

} // namespace vh::catalogue
