// Test support: an ALSA configuration of the test's own, so capture and playback run on files with no sound card.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zuvi::test {

// Writes a whole ALSA configuration into a folder and points ALSA_CONFIG_PATH at it. The default
// device captures the samples of a raw input file and writes what it plays to a raw output file
// (16-bit little-endian, through the file plugin over the null device); named devices can be added
// for the device lists. Every apply() writes a new file, so ALSA reloads it in a running process.
class TestAlsa {
public:
    explicit TestAlsa(std::string dir)
        : m_dir(std::move(dir))
    { }

    std::string inFile() const { return m_dir + "/alsa-in.raw"; }
    std::string outFile() const { return m_dir + "/alsa-out.raw"; }

    // The default device over the input and output files (set by default).
    void withDefault(bool on) { m_default = on; }
    // A device in the name lists of both directions.
    void addDevice(const std::string& pcm, const std::string& description) { m_devices.push_back({pcm, description}); }
    void clearDevices() { m_devices.clear(); }

    // Raw samples that the capture returns, in order.
    void setInput(const std::vector<std::int16_t>& samples) const
    {
        std::ofstream f(inFile(), std::ios::binary | std::ios::trunc);
        for (std::int16_t s : samples) {
            const char b[2] = {char(s & 0xFF), char((s >> 8) & 0xFF)};
            f.write(b, 2);
        }
    }

    std::string output() const
    {
        std::ifstream f(outFile(), std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }

    // Without an input file of its own, the capture returns 30 s of silence.
    void apply()
    {
        if (!std::ifstream(inFile()).good())
            setInput(std::vector<std::int16_t>(16000 * 30, 0));
        const std::string path = m_dir + "/asound-" + std::to_string(++m_serial) + ".conf";
        std::ofstream f(path, std::ios::trunc);
        f << "pcm.null { type null }\n";
        if (m_default) {
            f << "pcm.!default {\n  type asym\n"
              << "  playback.pcm { type file; slave.pcm \"null\"; file \"" << outFile() << "\"; format \"raw\" }\n"
              << "  capture.pcm { type file; slave.pcm \"null\"; file \"/dev/null\"; infile \"" << inFile() << "\"; format \"raw\" }\n"
              << "}\n";
        }
        for (const auto& d : m_devices) {
            f << "pcm." << d.pcm << " { type null; hint { show on; description \"" << d.description << "\" } }\n";
        }
        f.close();
        setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
    }

private:
    struct Device {
        std::string pcm, description;
    };
    std::string m_dir;
    bool m_default = true;
    std::vector<Device> m_devices;
    int m_serial = 0;
};

// A signal whose every sample differs from its neighbours: sample i of a 16-bit ramp with a step.
inline std::vector<std::int16_t> rampSignal(std::size_t samples)
{
    std::vector<std::int16_t> v(samples);
    for (std::size_t i = 0; i < samples; ++i)
        v[i] = std::int16_t(std::uint16_t(i * 7919u + 13u));
    return v;
}

} // namespace zuvi::test
