// Windows keeps every file beside the executable and the trace at "c:\logd.txt", installed or not.
#include "platform/AppLocations.h"

#include "platform/AppPaths.h"

namespace vh::platform {

LocationFacts FactsOf(const std::string& exeDir) {
    LocationFacts facts;
    facts.exeDir = exeDir;
    return facts;
}

AppLocations ThisProcessLocations() {
    AppLocations where = DecideLocations(FactsOf(ExecutableDir()));
    where.traceFile = "c:\\logd.txt";
    return where;
}

// Nothing is ever installed here, so there is nothing to provide.
void ProvideDeliveredFiles(const AppLocations&, const std::vector<std::string>&) {}

} // namespace vh::platform
