#pragma once
// One tick of the real sampler through the window system in place, with the database and the hand-over left
// out: what it would store and trace.
#include <string>
#include <vector>

#include "monitor/Sampler.h"

namespace vh::test {

struct Sampled {
    bool taken = false;
    std::string caption, exeName;
    std::vector<std::string> trace;
};

inline Sampled Sample() {
    Sampled s;
    SamplerHooks hooks;
    hooks.insertSample = [&](const std::string&, const std::string& c, const std::string& p, const std::string&) {
        s.taken = true;
        s.caption = c;
        s.exeName = p;
    };
    hooks.trace = [&](const std::string& m) { s.trace.push_back(m); };
    TakeSample(hooks);
    return s;
}

} // namespace vh::test
