// Wave audio devices: the ALSA PCMs listed as wave-in and wave-out devices (internal to the audio layer).
#pragma once

#include <string>
#include <vector>

namespace zuvi::audio::detail {

struct DeviceEntry {
    std::string pcm; // ALSA PCM name to open
    std::u16string name; // shown name: first line of the PCM's description, else its PCM name
};

// The PCMs that ALSA's name hints offer for the direction, in hint order, without "null" and
// "default" (the default is the wave mapper), one per shown name (the first one of that name).
std::vector<DeviceEntry> listDevices(bool capture);

// ALSA's own error prints go nowhere (a missing device is reported through the results).
void quietAlsa();

} // namespace zuvi::audio::detail
