// Wave audio devices over ALSA: a device thread per open device moves the queued buffers.
#include "Wave.h"
#include "WaveDevices.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace zuvi::audio {

using Clock = std::chrono::steady_clock;

struct WaveDevice {
    bool capture = false;
    snd_pcm_t* pcm = nullptr;
    unsigned rate = 0;
    unsigned frameBytes = 0;
    WaveInCallback callback = nullptr; // same signature for both directions
    DWORD_PTR instance = 0;

    struct Entry {
        WAVEHDR* hdr = nullptr;
        std::uint64_t end = 0; // playback: stream frame at which the buffer has been played
        bool written = false;
    };

    std::mutex m;
    std::condition_variable cv;
    std::deque<Entry> queue; // buffers owned by the device, oldest first
    bool running = false; // capture started / playback stream going
    bool pcmStarted = false;
    bool closing = false;
    std::uint64_t resetAsked = 0;
    std::uint64_t resetDone = 0;
    std::atomic<bool> interrupt{false}; // ends a read or write under way
    Clock::time_point t0;
    std::uint64_t frames = 0; // captured / written since t0
    std::thread worker;
    std::thread::id workerId;
};

namespace {

// Playback keeps this much sound written ahead of the clock.
constexpr unsigned kLeadDivisor = 10; // 1/10 s
constexpr int kWaitMs = 20;

std::mutex g_liveMutex;
std::set<WaveDevice*> g_live;

bool live(WaveDevice* d)
{
    std::lock_guard<std::mutex> l(g_liveMutex);
    return d && g_live.count(d);
}

void notify(WaveDevice* d, UINT msg, WAVEHDR* hdr = nullptr)
{
    if (d->callback)
        d->callback(d, msg, d->instance, reinterpret_cast<DWORD_PTR>(hdr), 0);
}

Clock::time_point frameTime(const WaveDevice* d, std::uint64_t frame)
{
    return d->t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(double(frame) / d->rate));
}

// Stops the stream and hands every owned buffer back, oldest first. Called on the device thread
// with the lock held; the lock is released around the callbacks.
void returnAll(WaveDevice* d, std::unique_lock<std::mutex>& l)
{
    std::vector<WAVEHDR*> back;
    for (const auto& e : d->queue)
        back.push_back(e.hdr);
    d->queue.clear();
    for (WAVEHDR* h : back)
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    if (d->pcmStarted || d->running) {
        snd_pcm_drop(d->pcm);
        snd_pcm_prepare(d->pcm);
    }
    d->pcmStarted = false;
    d->running = false;
    d->frames = 0;
    d->interrupt = false;
    l.unlock();
    for (WAVEHDR* h : back)
        notify(d, d->capture ? MM_WIM_DATA : MM_WOM_DONE, h);
    l.lock();
}

bool handleReset(WaveDevice* d, std::unique_lock<std::mutex>& l)
{
    if (d->resetAsked == d->resetDone)
        return false;
    returnAll(d, l);
    d->resetDone = d->resetAsked;
    d->cv.notify_all();
    return true;
}

// Reads or writes n frames unless interrupted; a broken stream is recovered, a dead one gives
// silence (capture) or swallows the rest (playback). Returns the frames moved.
std::uint64_t transfer(WaveDevice* d, char* data, std::uint64_t n)
{
    std::uint64_t done = 0;
    while (done < n && !d->interrupt) {
        char* at = data + done * d->frameBytes;
        const snd_pcm_sframes_t r = d->capture ? snd_pcm_readi(d->pcm, at, n - done) : snd_pcm_writei(d->pcm, at, n - done);
        if (r == -EAGAIN || r == 0) {
            snd_pcm_wait(d->pcm, kWaitMs);
            continue;
        }
        if (r < 0) {
            if (snd_pcm_recover(d->pcm, int(r), 1) == 0) {
                if (d->capture)
                    snd_pcm_start(d->pcm);
                continue;
            }
            if (d->capture)
                std::memset(at, 0, (n - done) * d->frameBytes);
            return n;
        }
        done += std::uint64_t(r);
    }
    return done;
}

void captureLoop(WaveDevice* d)
{
    std::unique_lock<std::mutex> l(d->m);
    d->workerId = std::this_thread::get_id();
    l.unlock();
    notify(d, MM_WIM_OPEN);
    l.lock();
    for (;;) {
        if (handleReset(d, l))
            continue;
        if (d->closing)
            break;
        if (!d->running || d->queue.empty()) {
            d->cv.wait(l);
            continue;
        }
        if (!d->pcmStarted) {
            snd_pcm_prepare(d->pcm);
            snd_pcm_start(d->pcm);
            d->pcmStarted = true;
        }
        WAVEHDR* h = d->queue.front().hdr;
        const std::uint64_t capacity = h->dwBufferLength / d->frameBytes;
        const std::uint64_t have = h->dwBytesRecorded / d->frameBytes;
        if (have < capacity) {
            // Never ahead of the clock, also on a device without one of its own (the null device).
            const auto due = frameTime(d, d->frames + capacity - have);
            if (Clock::now() < due) {
                d->cv.wait_until(l, due);
                continue;
            }
            l.unlock();
            const std::uint64_t got = transfer(d, h->lpData + have * d->frameBytes, capacity - have);
            l.lock();
            d->frames += got;
            h->dwBytesRecorded += DWORD(got * d->frameBytes);
            if (have + got < capacity)
                continue;
        }
        d->queue.pop_front();
        h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
        l.unlock();
        notify(d, MM_WIM_DATA, h);
        l.lock();
    }
    l.unlock();
    notify(d, MM_WIM_CLOSE);
}

// Frames of the stream that have been played: what the device reports, never ahead of the clock.
std::uint64_t playedFrames(WaveDevice* d)
{
    const auto elapsed = std::chrono::duration<double>(Clock::now() - d->t0).count();
    const auto byClock = std::uint64_t(std::max(0.0, elapsed) * d->rate);
    std::uint64_t byDevice = d->frames;
    snd_pcm_sframes_t delay = 0;
    if (snd_pcm_delay(d->pcm, &delay) == 0 && delay > 0 && std::uint64_t(delay) <= d->frames)
        byDevice = d->frames - std::uint64_t(delay);
    return std::min(byClock, byDevice);
}

void playLoop(WaveDevice* d)
{
    std::unique_lock<std::mutex> l(d->m);
    d->workerId = std::this_thread::get_id();
    l.unlock();
    notify(d, MM_WOM_OPEN);
    l.lock();
    const std::uint64_t lead = d->rate / kLeadDivisor;
    for (;;) {
        if (handleReset(d, l))
            continue;
        if (d->closing)
            break;
        if (!d->queue.empty() && d->queue.front().written && d->queue.front().end <= playedFrames(d)) {
            WAVEHDR* h = d->queue.front().hdr;
            d->queue.pop_front();
            h->dwFlags = (h->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
            l.unlock();
            notify(d, MM_WOM_DONE, h);
            l.lock();
            continue;
        }
        const auto next = std::find_if(d->queue.begin(), d->queue.end(), [](const WaveDevice::Entry& e) { return !e.written; });
        const bool inFlight = !d->queue.empty() && d->queue.front().written;
        const auto nextDone = inFlight ? std::min(frameTime(d, d->queue.front().end), Clock::now() + std::chrono::milliseconds(kWaitMs)) : Clock::time_point::max();
        if (next != d->queue.end()) {
            if (!d->running) {
                d->running = true;
                d->t0 = Clock::now();
                d->frames = 0;
            }
            const auto due = d->frames > lead ? frameTime(d, d->frames - lead) : d->t0;
            if (Clock::now() < due) {
                d->cv.wait_until(l, std::min(due, nextDone));
                continue;
            }
            WAVEHDR* h = next->hdr;
            const std::size_t index = std::size_t(next - d->queue.begin());
            const std::uint64_t n = h->dwBufferLength / d->frameBytes;
            l.unlock();
            const std::uint64_t put = transfer(d, h->lpData, n);
            if (snd_pcm_state(d->pcm) == SND_PCM_STATE_PREPARED)
                snd_pcm_start(d->pcm);
            l.lock();
            d->pcmStarted = true;
            if (d->resetAsked != d->resetDone)
                continue;
            d->frames += put;
            d->queue[index].end = d->frames;
            d->queue[index].written = true;
            continue;
        }
        if (inFlight) {
            d->cv.wait_until(l, nextDone);
            continue;
        }
        if (d->running) { // everything played: the stream goes idle until the next write
            snd_pcm_drop(d->pcm);
            snd_pcm_prepare(d->pcm);
            d->running = false;
            d->pcmStarted = false;
        }
        d->cv.wait(l);
    }
    l.unlock();
    notify(d, MM_WOM_CLOSE);
}

bool formatOk(const WAVEFORMATEX* f)
{
    return f && f->wFormatTag == WAVE_FORMAT_PCM && f->nChannels >= 1 && f->nChannels <= 2 && (f->wBitsPerSample == 8 || f->wBitsPerSample == 16) && f->nSamplesPerSec > 0 && f->nBlockAlign == f->nChannels * f->wBitsPerSample / 8;
}

MMRESULT openDevice(bool capture, WaveDevice** device, UINT deviceId, const WAVEFORMATEX* format, WaveInCallback callback, DWORD_PTR instance, DWORD flags)
{
    if (!device)
        return MMSYSERR_INVALPARAM;
    *device = nullptr;
    if (flags != CALLBACK_NULL && flags != CALLBACK_FUNCTION)
        return MMSYSERR_INVALFLAG;
    if (flags == CALLBACK_FUNCTION && !callback)
        return MMSYSERR_INVALPARAM;
    if (!formatOk(format))
        return WAVERR_BADFORMAT;
    std::string name = "default";
    if (deviceId != WAVE_MAPPER) {
        const auto devices = detail::listDevices(capture);
        if (deviceId >= devices.size())
            return MMSYSERR_BADDEVICEID;
        name = devices[deviceId].pcm;
    }
    auto alsa = LockAlsa();
    detail::quietAlsa();
    snd_pcm_t* pcm = nullptr;
    const int r = snd_pcm_open(&pcm, name.c_str(), capture ? SND_PCM_STREAM_CAPTURE : SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (r < 0)
        return r == -ENOENT ? MMSYSERR_NODRIVER : MMSYSERR_ALLOCATED;
    const snd_pcm_format_t fmt = format->wBitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_set_params(pcm, fmt, SND_PCM_ACCESS_RW_INTERLEAVED, format->nChannels, format->nSamplesPerSec, 1, 100000) < 0) {
        snd_pcm_close(pcm);
        return WAVERR_BADFORMAT;
    }
    alsa.unlock();
    auto* d = new WaveDevice;
    d->capture = capture;
    d->pcm = pcm;
    d->rate = format->nSamplesPerSec;
    d->frameBytes = format->nBlockAlign;
    d->callback = flags == CALLBACK_FUNCTION ? callback : nullptr;
    d->instance = instance;
    {
        std::lock_guard<std::mutex> l(g_liveMutex);
        g_live.insert(d);
    }
    d->worker = std::thread(capture ? captureLoop : playLoop, d);
    *device = d;
    return MMSYSERR_NOERROR;
}

MMRESULT checkHeader(WaveDevice* d, WAVEHDR* hdr, UINT size)
{
    if (!live(d))
        return MMSYSERR_INVALHANDLE;
    if (!hdr || size < sizeof(WAVEHDR) || (!hdr->lpData && hdr->dwBufferLength))
        return MMSYSERR_INVALPARAM;
    return MMSYSERR_NOERROR;
}

MMRESULT prepare(WaveDevice* d, WAVEHDR* hdr, UINT size)
{
    if (MMRESULT r = checkHeader(d, hdr, size))
        return r;
    std::lock_guard<std::mutex> l(d->m);
    hdr->dwFlags |= WHDR_PREPARED; // a prepared header stays as it is
    return MMSYSERR_NOERROR;
}

MMRESULT unprepare(WaveDevice* d, WAVEHDR* hdr, UINT size)
{
    if (MMRESULT r = checkHeader(d, hdr, size))
        return r;
    std::lock_guard<std::mutex> l(d->m);
    if (hdr->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    hdr->dwFlags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MMRESULT enqueue(WaveDevice* d, WAVEHDR* hdr, UINT size)
{
    if (MMRESULT r = checkHeader(d, hdr, size))
        return r;
    std::lock_guard<std::mutex> l(d->m);
    if (!(hdr->dwFlags & WHDR_PREPARED))
        return WAVERR_UNPREPARED;
    if (hdr->dwFlags & WHDR_INQUEUE)
        return WAVERR_STILLPLAYING;
    hdr->dwFlags = (hdr->dwFlags | WHDR_INQUEUE) & ~WHDR_DONE;
    if (d->capture)
        hdr->dwBytesRecorded = 0;
    d->queue.push_back({hdr});
    d->cv.notify_all();
    return MMSYSERR_NOERROR;
}

MMRESULT reset(WaveDevice* d)
{
    if (!live(d))
        return MMSYSERR_INVALHANDLE;
    std::unique_lock<std::mutex> l(d->m);
    if (std::this_thread::get_id() == d->workerId) { // from inside a callback
        returnAll(d, l);
        return MMSYSERR_NOERROR;
    }
    const std::uint64_t mine = ++d->resetAsked;
    d->interrupt = true;
    d->cv.notify_all();
    d->cv.wait(l, [&] { return d->resetDone >= mine; });
    return MMSYSERR_NOERROR;
}

MMRESULT close(WaveDevice* d)
{
    if (!live(d))
        return MMSYSERR_INVALHANDLE;
    {
        std::lock_guard<std::mutex> l(d->m);
        if (std::this_thread::get_id() == d->workerId)
            return MMSYSERR_ERROR;
        if (!d->queue.empty())
            return WAVERR_STILLPLAYING;
        d->closing = true;
        d->cv.notify_all();
    }
    d->worker.join();
    {
        std::lock_guard<std::mutex> l(g_liveMutex);
        g_live.erase(d);
    }
    snd_pcm_close(d->pcm);
    delete d;
    return MMSYSERR_NOERROR;
}

} // namespace

MMRESULT waveInOpen(HWAVEIN* device, UINT deviceId, const WAVEFORMATEX* format, WaveInCallback callback, DWORD_PTR instance, DWORD flags)
{
    return openDevice(true, device, deviceId, format, callback, instance, flags);
}
MMRESULT waveInPrepareHeader(HWAVEIN device, WAVEHDR* hdr, UINT size) { return prepare(device, hdr, size); }
MMRESULT waveInUnprepareHeader(HWAVEIN device, WAVEHDR* hdr, UINT size) { return unprepare(device, hdr, size); }
MMRESULT waveInAddBuffer(HWAVEIN device, WAVEHDR* hdr, UINT size) { return enqueue(device, hdr, size); }

MMRESULT waveInStart(HWAVEIN device)
{
    if (!live(device))
        return MMSYSERR_INVALHANDLE;
    std::lock_guard<std::mutex> l(device->m);
    if (!device->running) {
        device->running = true;
        device->t0 = Clock::now();
        device->frames = 0;
        device->cv.notify_all();
    }
    return MMSYSERR_NOERROR;
}

MMRESULT waveInReset(HWAVEIN device) { return reset(device); }
MMRESULT waveInClose(HWAVEIN device) { return close(device); }

MMRESULT waveOutOpen(HWAVEOUT* device, UINT deviceId, const WAVEFORMATEX* format, WaveOutCallback callback, DWORD_PTR instance, DWORD flags)
{
    return openDevice(false, device, deviceId, format, callback, instance, flags);
}
MMRESULT waveOutPrepareHeader(HWAVEOUT device, WAVEHDR* hdr, UINT size) { return prepare(device, hdr, size); }
MMRESULT waveOutUnprepareHeader(HWAVEOUT device, WAVEHDR* hdr, UINT size) { return unprepare(device, hdr, size); }
MMRESULT waveOutWrite(HWAVEOUT device, WAVEHDR* hdr, UINT size) { return enqueue(device, hdr, size); }
MMRESULT waveOutReset(HWAVEOUT device) { return reset(device); }
MMRESULT waveOutClose(HWAVEOUT device) { return close(device); }

} // namespace zuvi::audio
