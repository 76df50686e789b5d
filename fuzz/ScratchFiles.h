// Fuzz targets: a scratch folder of the run's own, and an input written into a file there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

// A new folder "zuvi-fuzz-NAME-XXXXXX" in /dev/shm, else in /tmp; the run ends when it can't be made.
inline std::string privateFolder(const char* name)
{
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string dir = std::string(base) + "/zuvi-fuzz-" + name + "-XXXXXX";
    if (!mkdtemp(dir.data()))
        std::abort();
    return dir;
}

// The file at path holds exactly the input's bytes; the run ends when it can't be written.
inline void writeInput(const std::string& path, const uint8_t* data, size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
}
