// A child process for the fault tests, driven from outside and killed at random moments.
//   faults_driver hold <database>   attaches to the file, prints "attached", keeps it until stdin closes
//   faults_driver open <appdir>     one start-up opening; prints "connected", or "error" followed by what
//                                   the sampler's insert and the schedule's opening did
//   faults_driver sample <appdir> [prefix]  samples a scripted window into <appdir>/ABC.GDB as fast as it can and
//                                   prints each sample's number once its commit has returned
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "monitor/Sampler.h"
#include "platform/AppPaths.h"
#include "storage/FbApi.h"
#include "storage/uDBFunc.h"
#include "storage/uDBMoudle.h"
#include "support/FakeWindowSystem.h"

namespace {

void Say(const std::string& line) {
    const std::string out = line + "\n";
    // One write per line: the reader must never see half a number.
    (void)!::write(1, out.data(), out.size());
}

int Hold(const std::string& path) {
    vh::fb::Attachment db;
    db.SetDatabaseName(path);
    db.Open("ADMIN", "k4rv9tbe", 1);
    Say("attached");
    char c;
    while (::read(0, &c, 1) > 0) {
    }
    return 0;
}

std::string AsDir(std::string dir) {
    if (dir.empty() || dir.back() != '/')
        dir += '/';
    return dir;
}

int Open(const std::string& dir) {
    vh::platform::OverrideExecutableDir(AsDir(dir));
    std::string error;
    TDMMain module([&](const std::string& e) { error = e; });
    if (module.Connected()) {
        Say("connected");
        return 0;
    }
    Say(error.empty() ? "silent" : "error");
    try {
        Say(TDBFunc::InsertSample("2026-12-09 10:00:00", "c", "p.exe", "") == TWriteResult::Done ? "insert-done"
                                                                                                 : "insert-refused");
    } catch (const std::exception&) {
        Say("insert-throws");
    }
    try {
        TDBFunc f;
        Say("open-succeeds");
    } catch (const std::exception&) {
        Say("open-throws");
    }
    return 0;
}

int Sample(std::string dir, const std::string& prefix) {
    vh::platform::OverrideExecutableDir(AsDir(dir));
    std::string error;
    TDMMain module([&](const std::string& e) { error = e; });
    if (!module.Connected()) {
        std::fprintf(stderr, "no connection: %s\n", error.c_str());
        return 2;
    }
    auto& ws = vh::test::FakeWindowSystem::Install();
    ws.AddWindow(1, "", 4242);
    ws.AddProcess(1, "init");
    ws.AddProcess(4242, "victim.exe");

    bool failed = false;
    SamplerSinks sinks;
    sinks.store = &StoreSample;
    sinks.showMessage = [&](const std::string&) { failed = true; };
    TSampler sampler([]() -> vh::platform::WindowSystem& { return vh::platform::TheWindowSystem(); }, sinks);
    for (long n = 1;; ++n) {
        ws.windows[0].caption = prefix + std::to_string(n);
        sampler.TakeSample();
        if (failed) {
            std::fprintf(stderr, "write wrong at %ld\n", n);
            return 3;
        }
        Say(std::to_string(n));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s hold|open|sample <path> [prefix]\n", argv[0]);
        return 1;
    }
    try {
        if (std::strcmp(argv[1], "hold") == 0)
            return Hold(argv[2]);
        if (std::strcmp(argv[1], "open") == 0)
            return Open(argv[2]);
        if (std::strcmp(argv[1], "sample") == 0)
            return Sample(argv[2], argc == 4 ? argv[3] : "sample ");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 1;
}
