// Wave recorder and player of the voice test, their device callbacks and the recording file "1.wav".
#pragma once

#include "Wave.h"

#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>

// The recording file, in the current folder.
inline constexpr const char* kRecordFileName = "1.wav";
// Bytes of one capture buffer and of one playback piece; the most pieces a playback loads.
inline constexpr unsigned kWaveBufferBytes = 512;
inline constexpr int kMaxPlayPieces = 1024;

// Captures 16 kHz mono 16-bit PCM from the default wave-in device into "1.wav".
class CRecord {
public:
    CRecord();
    virtual ~CRecord();

    void SetFormat();
    zuvi::audio::MMRESULT Start();
    void PrepareFile();
    void Stop();

    char* m_Buffer1 = nullptr;
    char* m_Buffer2 = nullptr;
    zuvi::audio::WAVEHDR m_WaveHdr1{};
    zuvi::audio::WAVEHDR m_WaveHdr2{};
    zuvi::audio::HWAVEIN m_hWaveIn = nullptr;
    zuvi::audio::MMRESULT m_Result = 0;
    zuvi::audio::WAVEFORMATEX m_WaveFormat{};
};

// Plays the samples of "1.wav" on the default wave-out device, in pieces of 512 bytes.
class CPlay {
public:
    CPlay() = default;
    virtual ~CPlay();

    bool Open();
    void SetFormat();
    void LoadBuffers();
    void Start();
    void Stop();

    zuvi::audio::MMRESULT m_Result = 0;
    zuvi::audio::WAVEHDR m_WaveHdr[kMaxPlayPieces]{};
    zuvi::audio::WAVEFORMATEX m_WaveFormat{};
    zuvi::audio::HWAVEOUT m_hWaveOut = nullptr;

private:
    bool m_Opened = false; // the last Open accepted the file
};

// Device callbacks, registered with the instance value 0.
void WaveInProc(zuvi::audio::HWAVEIN device, zuvi::audio::UINT msg, zuvi::audio::DWORD_PTR instance, zuvi::audio::DWORD_PTR param1, zuvi::audio::DWORD_PTR param2);
void WaveOutProc(zuvi::audio::HWAVEOUT device, zuvi::audio::UINT msg, zuvi::audio::DWORD_PTR instance, zuvi::audio::DWORD_PTR param1, zuvi::audio::DWORD_PTR param2);

// State shared by the recorder and its callback. RecordLock makes the writing of one buffer and
// the completing of the file by Stop exclude each other.
extern std::FILE* RecordFile;
extern std::atomic<bool> RecordStopping;
extern std::mutex RecordLock;

// State shared by the player and its callback.
extern std::FILE* PlayFile;
extern char* PlayBuffers[kMaxPlayPieces];
extern int PlayBufferCount;
extern std::atomic<int> PlayLevel;

// Where the callbacks' effects go; the voice-test dialog fills it in. Both run on the audio
// thread and hand their effect on without waiting for the UI thread.
struct WaveIOTarget {
    std::function<void(int level)> recordLevel; // level of each captured buffer
    std::function<void(bool on)> playTimer; // a piece finished (on) / the device closed (off)
};
extern WaveIOTarget WaveIODialog;

// Level of a buffer of 16-bit samples: with q = v / 200 (truncated toward zero) for every sample,
// (max(hi, q...) - min(lo, q...)) / 3, starting from the given lo and hi.
int WaveLevel(const char* data, unsigned samples, int lo, int hi);
