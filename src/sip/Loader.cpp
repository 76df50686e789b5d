// SIP engine: the program's side, which opens the engine module (liblinphone and its libraries)
// at run time and forwards every operation to it.
//
// The first create() returns at once and loads the module on a thread of its own; posted jobs
// wait in order, and every other call waits for the load to finish. While holdModuleLoad() is in
// effect the load has not begun; a call that needs the module ends the hold. A module that
// cannot be loaded makes every operation fail as if no stack existed.
#include "EngineApi.h"
#include "ParserGuard.h"
#include "Sip.h"

#include <dlfcn.h>

#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace zuvi::sip {
namespace {

enum class Load { NotStarted,
    Loading,
    Done };

std::mutex g_mutex;
std::condition_variable g_loaded;
Load g_load = Load::NotStarted;
const EngineApi* g_api = nullptr;
std::vector<std::function<void()>> g_early; // posted while the module loads
bool g_held = false; // the load waits (holdModuleLoad)
std::condition_variable g_release;

bool guarded(const EngineApi* e)
{
    return e && startLineGuardActive() && e->messageParserGuarded();
}

// The module beside the program's binaries (bin/../lib/zuvi, installed or built), else where
// the build put it.
const EngineApi* openModule()
{
    std::vector<std::string> candidates;
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec)
        candidates.push_back((exe.parent_path().parent_path() / "lib" / "zuvi" / ZUVI_SIP_MODULE_NAME).string());
    candidates.push_back(ZUVI_SIP_MODULE_BUILD_PATH);
    for (const std::string& path : candidates) {
        void* module = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
        if (!module)
            continue;
        using Entry = const EngineApi* (*)();
        if (auto entry = reinterpret_cast<Entry>(dlsym(module, "zuvi_sip_engine_api"))) {
            const EngineApi* e = entry();
            if (!guarded(e))
                std::fputs("zuvi: SIP parser guard not in effect (the library does not call it)\n", stderr);
            return e;
        }
        dlclose(module);
    }
    return nullptr;
}

// The module, once loaded (loading it here if nobody has started to).
const EngineApi* api()
{
    std::unique_lock l(g_mutex);
    if (g_held) {
        g_held = false;
        g_release.notify_all();
    }
    g_loaded.wait(l, [] { return g_load != Load::Loading; });
    if (g_load == Load::NotStarted) {
        g_api = openModule();
        g_load = Load::Done;
    }
    return g_api;
}

} // namespace

bool parserGuardActive()
{
    return guarded(api());
}

Config configDefault() { return Config{}; }
MediaConfig mediaConfigDefault() { return MediaConfig{}; }
TransportConfig transportConfigDefault() { return TransportConfig{}; }
AccConfig accConfigDefault() { return AccConfig{}; }
CallSetting callSettingDefault() { return CallSetting{}; }

Status create()
{
    {
        std::lock_guard l(g_mutex);
        if (g_load == Load::NotStarted) {
            g_load = Load::Loading;
            std::thread([] {
                {
                    std::unique_lock held(g_mutex);
                    g_release.wait(held, [] { return !g_held; });
                }
                const EngineApi* loaded = openModule();
                const bool created = loaded && loaded->create() == Success;
                std::lock_guard done(g_mutex);
                for (auto& job : g_early)
                    if (created)
                        loaded->post(std::move(job));
                g_early.clear();
                g_api = loaded;
                g_load = Load::Done;
                g_loaded.notify_all();
            }).detach();
            return Success;
        }
    }
    const EngineApi* e = api();
    return e ? e->create() : EFailed;
}

void holdModuleLoad()
{
    std::lock_guard l(g_mutex);
    g_held = true;
}

void releaseModuleLoad()
{
    std::lock_guard l(g_mutex);
    g_held = false;
    g_release.notify_all();
}

Status post(std::function<void()> job)
{
    {
        std::lock_guard l(g_mutex);
        if (g_load == Load::Loading) {
            if (!job)
                return EInvalidArg;
            g_early.push_back(std::move(job));
            return Success;
        }
    }
    const EngineApi* e = api();
    return e ? e->post(std::move(job)) : ENotInit;
}

#define ZUVI_SIP_FORWARD(result, name, none, params, args) \
    result name params                                     \
    {                                                      \
        const EngineApi* e = api();                        \
        return e ? e->name args : none;                    \
    }
ZUVI_SIP_FORWARDED(ZUVI_SIP_FORWARD)
#undef ZUVI_SIP_FORWARD

} // namespace zuvi::sip
