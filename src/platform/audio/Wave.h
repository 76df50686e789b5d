// Wave audio devices: buffer-queue capture and playback of PCM over ALSA, with device names.
#pragma once

#include <cstdint>
#include <mutex>

namespace zuvi::audio {

using MMRESULT = unsigned;
using UINT = unsigned;
using DWORD = std::uint32_t;
using DWORD_PTR = std::uintptr_t;

// Results.
constexpr MMRESULT MMSYSERR_NOERROR = 0;
constexpr MMRESULT MMSYSERR_ERROR = 1;
constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
constexpr MMRESULT MMSYSERR_ALLOCATED = 4; // the device exists but cannot be opened
constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
constexpr MMRESULT MMSYSERR_NODRIVER = 6; // no such device (nothing to open)
constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
constexpr MMRESULT WAVERR_BADFORMAT = 32;
constexpr MMRESULT WAVERR_STILLPLAYING = 33;
constexpr MMRESULT WAVERR_UNPREPARED = 34;

// Messages passed to the callback.
constexpr UINT MM_WOM_OPEN = 0x3BB;
constexpr UINT MM_WOM_CLOSE = 0x3BC;
constexpr UINT MM_WOM_DONE = 0x3BD;
constexpr UINT MM_WIM_OPEN = 0x3BE;
constexpr UINT MM_WIM_CLOSE = 0x3BF;
constexpr UINT MM_WIM_DATA = 0x3C0;

// The device chosen by the system: ALSA's "default" PCM.
constexpr UINT WAVE_MAPPER = 0xFFFFFFFFu;

constexpr DWORD CALLBACK_NULL = 0;
constexpr DWORD CALLBACK_FUNCTION = 0x00030000;

constexpr std::uint16_t WAVE_FORMAT_PCM = 1;

struct WAVEFORMATEX {
    std::uint16_t wFormatTag = 0;
    std::uint16_t nChannels = 0;
    DWORD nSamplesPerSec = 0;
    DWORD nAvgBytesPerSec = 0;
    std::uint16_t nBlockAlign = 0;
    std::uint16_t wBitsPerSample = 0;
    std::uint16_t cbSize = 0;
};

// Header flags.
constexpr DWORD WHDR_DONE = 0x1;
constexpr DWORD WHDR_PREPARED = 0x2;
constexpr DWORD WHDR_INQUEUE = 0x10;

// One buffer handed to a device. The device owns a queued header until it comes back through
// the callback (WHDR_DONE set, WHDR_INQUEUE clear).
struct WAVEHDR {
    char* lpData = nullptr;
    DWORD dwBufferLength = 0;
    DWORD dwBytesRecorded = 0;
    DWORD_PTR dwUser = 0;
    DWORD dwFlags = 0;
    DWORD dwLoops = 0;
    WAVEHDR* lpNext = nullptr;
    DWORD_PTR reserved = 0;
};

struct WaveDevice;
using HWAVEIN = WaveDevice*;
using HWAVEOUT = WaveDevice*;

// Called on the device's own thread, never on the caller's; param1 is the WAVEHDR* of a data or
// done message. A callback may add or write buffers and reset the device; it must not close it,
// and it must not wait for a thread that is itself waiting in a call on the same device.
using WaveInCallback = void (*)(HWAVEIN device, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
using WaveOutCallback = void (*)(HWAVEOUT device, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);

// Device names hold at most 31 characters and a terminating zero.
constexpr int MAXPNAMELEN = 32;
struct WAVEINCAPSW {
    char16_t szPname[MAXPNAMELEN] = {};
    std::uint16_t wChannels = 0;
};
struct WAVEOUTCAPSW {
    char16_t szPname[MAXPNAMELEN] = {};
    std::uint16_t wChannels = 0;
};

// ALSA's process-wide state (its configuration cache, its error handler) is not safe against
// use from two threads at once. The layer holds this lock while it lists or opens devices; any
// other part of the process that sets ALSA up on another thread (the SIP library's core, when it
// looks for sound cards) holds it meanwhile. A thread may take it again while it holds it (several
// listings in a row under one hold).
std::unique_lock<std::recursive_mutex> LockAlsa();

// Capture. Buffers are filled in the order they were added; each comes back full
// (dwBytesRecorded = dwBufferLength) or, on reset, with what it holds so far.
MMRESULT waveInOpen(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, WaveInCallback callback, DWORD_PTR instance, DWORD flags);
MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* hdr, UINT size);
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* hdr, UINT size);
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* hdr, UINT size);
MMRESULT waveInStart(HWAVEIN device);
// Stops the capture and returns every queued buffer through the callback before it returns.
MMRESULT waveInReset(HWAVEIN device);
// WAVERR_STILLPLAYING while buffers are queued.
MMRESULT waveInClose(HWAVEIN device);
UINT waveInGetNumDevs();
MMRESULT waveInGetDevCapsW(UINT deviceId, WAVEINCAPSW* caps, UINT size);

// Playback. Written buffers play in order; each comes back once its samples have been played.
MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format, WaveOutCallback callback, DWORD_PTR instance, DWORD flags);
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* hdr, UINT size);
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* hdr, UINT size);
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* hdr, UINT size);
// Stops the playback and returns every queued buffer through the callback before it returns.
MMRESULT waveOutReset(HWAVEOUT device);
MMRESULT waveOutClose(HWAVEOUT device);
UINT waveOutGetNumDevs();
MMRESULT waveOutGetDevCapsW(UINT deviceId, WAVEOUTCAPSW* caps, UINT size);

} // namespace zuvi::audio
