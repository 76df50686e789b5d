// Wave audio devices: device lists from ALSA's name hints, and the device capabilities calls.
#include "WaveDevices.h"
#include "Wave.h"

#include <alsa/asoundlib.h>

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace zuvi::audio {
namespace detail {

namespace {

void silentHandler(const char*, int, const char*, int, const char*, ...) { }

std::string hint(void* h, const char* id)
{
    char* v = snd_device_name_get_hint(h, id);
    std::string s = v ? v : "";
    std::free(v);
    return s;
}

} // namespace

void quietAlsa()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(silentHandler); });
}

std::vector<DeviceEntry> listDevices(bool capture)
{
    auto alsa = LockAlsa();
    quietAlsa();
    std::vector<DeviceEntry> out;
    void** hints = nullptr;
    if (snd_device_name_hint(-1, "pcm", &hints) < 0 || !hints)
        return out;
    for (void** h = hints; *h; ++h) {
        const std::string pcm = hint(*h, "NAME");
        const std::string io = hint(*h, "IOID");
        if (pcm.empty() || pcm == "null" || pcm == "default")
            continue;
        if (!io.empty() && io != (capture ? "Input" : "Output"))
            continue;
        std::string desc = hint(*h, "DESC");
        desc = desc.substr(0, desc.find('\n'));
        const std::u16string name = QString::fromUtf8(desc.empty() ? pcm : desc).toStdU16String();
        if (std::none_of(out.begin(), out.end(), [&](const DeviceEntry& e) { return e.name == name; }))
            out.push_back({pcm, name});
    }
    snd_device_name_free_hint(hints);
    return out;
}

} // namespace detail

namespace {

template<class Caps>
MMRESULT devCaps(bool capture, UINT deviceId, Caps* caps, UINT size)
{
    if (!caps || size < sizeof(Caps))
        return MMSYSERR_INVALPARAM;
    const auto devices = detail::listDevices(capture);
    if (deviceId >= devices.size())
        return MMSYSERR_BADDEVICEID;
    *caps = Caps{};
    const std::u16string& name = devices[deviceId].name;
    std::copy_n(name.begin(), std::min<std::size_t>(name.size(), MAXPNAMELEN - 1), caps->szPname);
    caps->wChannels = 2;
    return MMSYSERR_NOERROR;
}

} // namespace

std::unique_lock<std::recursive_mutex> LockAlsa()
{
    static std::recursive_mutex alsa;
    return std::unique_lock(alsa);
}

UINT waveInGetNumDevs() { return UINT(detail::listDevices(true).size()); }
UINT waveOutGetNumDevs() { return UINT(detail::listDevices(false).size()); }

MMRESULT waveInGetDevCapsW(UINT deviceId, WAVEINCAPSW* caps, UINT size) { return devCaps(true, deviceId, caps, size); }
MMRESULT waveOutGetDevCapsW(UINT deviceId, WAVEOUTCAPSW* caps, UINT size) { return devCaps(false, deviceId, caps, size); }

} // namespace zuvi::audio
