// Fuzz target: the player's reading of "1.wav" (header checks, data size field, pieces) and the level of a buffer.
#include "WaveIO.h"
#include "ScratchFiles.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

constexpr size_t kHeaderBytes = 44; // RIFF, fmt chunk, data tag and size

std::string g_dir;

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void playFile(const uint8_t* data, size_t size)
{
    writeInput(kRecordFileName, data, size);

    const int level = WaveLevel(reinterpret_cast<const char*>(data), unsigned(size / 2), 0, 2);
    check(level >= 0 && level <= (163 + 163) / 3);

    CPlay player;
    if (!player.Open()) {
        check(PlayFile == nullptr);
        return;
    }
    check(size >= kHeaderBytes - 4);
    player.LoadBuffers();
    check(PlayFile == nullptr && PlayBufferCount >= 0 && PlayBufferCount <= kMaxPlayPieces);
    // The pieces are the file's samples in order, never more than the file holds; only the last
    // one is shorter than a whole piece (the playback ends where the samples end).
    size_t at = kHeaderBytes;
    for (int i = 0; i < PlayBufferCount; ++i) {
        const zuvi::audio::WAVEHDR& h = player.m_WaveHdr[i];
        check(h.dwBufferLength <= kWaveBufferBytes && at + h.dwBufferLength <= size);
        check(i + 1 == PlayBufferCount || h.dwBufferLength == kWaveBufferBytes);
        check(std::equal(h.lpData, h.lpData + h.dwBufferLength, reinterpret_cast<const char*>(data) + at));
        at += h.dwBufferLength;
    }
    player.Stop();
    check(PlayBufferCount == 0);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    g_dir = privateFolder("wave");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The player reads "1.wav" in the current folder: a private one while an input runs, so the
    // fuzzer's own relative paths (corpus, artifacts) keep their meaning.
    const int back = open(".", O_RDONLY | O_DIRECTORY);
    check(back >= 0 && chdir(g_dir.c_str()) == 0);
    playFile(data, size);
    check(fchdir(back) == 0 && close(back) == 0);
    return 0;
}
