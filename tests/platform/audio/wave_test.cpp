// Tests of the wave layer on real ALSA with a test-owned configuration (file and null devices).
#include "Wave.h"

#include "TempHome.h"
#include "TestAlsa.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace zuvi::audio;

namespace {

WAVEFORMATEX pcm16k()
{
    WAVEFORMATEX f;
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 16000;
    f.wBitsPerSample = 16;
    f.nBlockAlign = 2;
    f.nAvgBytesPerSec = 32000;
    return f;
}

// What a device reported through its callback, in order.
struct Events {
    std::mutex m;
    std::condition_variable cv;
    std::vector<UINT> msgs;
    std::vector<WAVEHDR*> hdrs; // of the data / done messages
    std::vector<std::string> data; // capture: the bytes each buffer brought
    std::vector<std::thread::id> threads;
    bool requeue = false; // capture: add each buffer again
    std::size_t stopAfter = SIZE_MAX; // ... until this many came back

    static void proc(WaveDevice* dev, UINT msg, DWORD_PTR inst, DWORD_PTR p1, DWORD_PTR)
    {
        auto* e = reinterpret_cast<Events*>(inst);
        auto* h = reinterpret_cast<WAVEHDR*>(p1);
        std::lock_guard<std::mutex> l(e->m);
        e->msgs.push_back(msg);
        e->threads.push_back(std::this_thread::get_id());
        if (msg == MM_WIM_DATA || msg == MM_WOM_DONE) {
            e->hdrs.push_back(h);
            if (msg == MM_WIM_DATA)
                e->data.emplace_back(h->lpData, h->dwBytesRecorded);
            if (e->requeue && e->hdrs.size() < e->stopAfter)
                waveInAddBuffer(dev, h, sizeof(WAVEHDR));
        }
        e->cv.notify_all();
    }

    bool waitForBuffers(std::size_t n)
    {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, std::chrono::seconds(30), [&] { return hdrs.size() >= n; });
    }
    std::size_t count(UINT msg)
    {
        std::lock_guard<std::mutex> l(m);
        return std::size_t(std::count(msgs.begin(), msgs.end(), msg));
    }
};

// Two capture buffers of 512 bytes and their headers.
struct TwoBuffers {
    std::vector<char> b1 = std::vector<char>(512), b2 = std::vector<char>(512);
    WAVEHDR h1{b1.data(), 512}, h2{b2.data(), 512};
};

class WaveTest : public ::testing::Test {
protected:
    zuvi::test::TempHome home{"zuvi-wave-test"};
    zuvi::test::TestAlsa alsa{home.dir()};
    WAVEFORMATEX format = pcm16k();
    Events events;
    DWORD_PTR inst() { return reinterpret_cast<DWORD_PTR>(&events); }
};

template<class Caps>
std::vector<std::u16string> names(UINT (*count)(), MMRESULT (*getCaps)(UINT, Caps*, UINT))
{
    std::vector<std::u16string> v;
    for (UINT i = 0; i < count(); ++i) {
        Caps caps;
        EXPECT_EQ(getCaps(i, &caps, sizeof(caps)), MMSYSERR_NOERROR);
        v.emplace_back(caps.szPname);
    }
    return v;
}

std::string bytesOf(const std::vector<std::int16_t>& v) { return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2); }

TEST_F(WaveTest, CaptureReturnsTheSignalInOrderOnTheDeviceThread)
{
    const auto signal = zuvi::test::rampSignal(256 * 64);
    alsa.setInput(signal);
    alsa.apply();
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    TwoBuffers b;
    WAVEHDR &h1 = b.h1, &h2 = b.h2;
    events.requeue = true;
    events.stopAfter = 20;
    for (WAVEHDR* h : {&h2, &h1}) {
        ASSERT_EQ(waveInPrepareHeader(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveInAddBuffer(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveInStart(in), MMSYSERR_NOERROR);
    ASSERT_TRUE(events.waitForBuffers(20));
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(in, &h1, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(in, &h2, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);

    std::string got;
    for (std::size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(events.hdrs[i], i % 2 ? &h1 : &h2) << i;
        EXPECT_EQ(events.data[i].size(), 512u) << i;
        got += events.data[i];
    }
    EXPECT_EQ(got, bytesOf(signal).substr(0, 20 * 512));
    EXPECT_EQ(events.msgs.front(), MM_WIM_OPEN);
    EXPECT_EQ(events.msgs.back(), MM_WIM_CLOSE);
    EXPECT_EQ(events.count(MM_WIM_DATA), 21u); // the last one queued came back through the reset
    for (auto id : events.threads)
        EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(WaveTest, QueueRulesAndResetReturnQueuedBuffersAtOnce)
{
    alsa.setInput(zuvi::test::rampSignal(256 * 8));
    alsa.apply();
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, WAVE_MAPPER, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    TwoBuffers b;
    WAVEHDR &h1 = b.h1, &h2 = b.h2;
    EXPECT_EQ(waveInAddBuffer(in, &h1, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
    ASSERT_EQ(waveInPrepareHeader(in, &h1, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInPrepareHeader(in, &h1, sizeof(WAVEHDR)), MMSYSERR_NOERROR); // prepared twice: no change
    ASSERT_EQ(waveInPrepareHeader(in, &h2, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInAddBuffer(in, &h1, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInAddBuffer(in, &h1, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    ASSERT_EQ(waveInAddBuffer(in, &h2, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInUnprepareHeader(in, &h1, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
    EXPECT_EQ(waveInClose(in), WAVERR_STILLPLAYING);

    // Not started: reset hands both back, empty, before it returns.
    ASSERT_EQ(waveInReset(in), MMSYSERR_NOERROR);
    ASSERT_EQ(events.count(MM_WIM_DATA), 2u);
    EXPECT_EQ(events.hdrs[0], &h1);
    EXPECT_EQ(events.hdrs[1], &h2);
    for (WAVEHDR* h : {&h1, &h2}) {
        EXPECT_EQ(h->dwBytesRecorded, 0u);
        EXPECT_EQ(h->dwFlags & (WHDR_DONE | WHDR_INQUEUE), WHDR_DONE);
        EXPECT_EQ(waveInUnprepareHeader(in, h, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        EXPECT_EQ(h->dwFlags & WHDR_PREPARED, 0u);
    }
    ASSERT_EQ(waveInClose(in), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(in), MMSYSERR_INVALHANDLE);
    EXPECT_EQ(waveInReset(nullptr), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveTest, PlaybackLandsInTheOutputFileAndBuffersComeBackInOrder)
{
    alsa.apply();
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    const auto signal = zuvi::test::rampSignal(256 * 12 + 100);
    std::string bytes = bytesOf(signal);
    // twelve full pieces, one short one and an empty one
    std::vector<WAVEHDR> hdrs(14);
    for (std::size_t i = 0; i < hdrs.size(); ++i) {
        hdrs[i].lpData = bytes.data() + std::min<std::size_t>(i * 512, bytes.size());
        hdrs[i].dwBufferLength = i < 12 ? 512 : i == 12 ? 200
                                                        : 0;
        ASSERT_EQ(waveOutPrepareHeader(out, &hdrs[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, &hdrs[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(events.waitForBuffers(hdrs.size()));
    for (std::size_t i = 0; i < hdrs.size(); ++i) {
        EXPECT_EQ(events.hdrs[i], &hdrs[i]);
        EXPECT_EQ(waveOutUnprepareHeader(out, &hdrs[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
    EXPECT_EQ(alsa.output(), bytes);
    EXPECT_EQ(events.msgs.front(), MM_WOM_OPEN);
    EXPECT_EQ(events.msgs.back(), MM_WOM_CLOSE);
}

TEST_F(WaveTest, PlaybackResetReturnsTheUnplayedBuffersAtOnce)
{
    alsa.apply();
    HWAVEOUT out = nullptr;
    ASSERT_EQ(waveOutOpen(&out, WAVE_MAPPER, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    std::string bytes(512 * 200, '\x11'); // 3.2 s of sound
    std::vector<WAVEHDR> hdrs(200);
    for (std::size_t i = 0; i < hdrs.size(); ++i) {
        hdrs[i].lpData = bytes.data() + i * 512;
        hdrs[i].dwBufferLength = 512;
        ASSERT_EQ(waveOutPrepareHeader(out, &hdrs[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
        ASSERT_EQ(waveOutWrite(out, &hdrs[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    ASSERT_TRUE(events.waitForBuffers(1));
    ASSERT_EQ(waveOutReset(out), MMSYSERR_NOERROR);
    EXPECT_EQ(events.count(MM_WOM_DONE), hdrs.size());
    for (std::size_t i = 0; i < hdrs.size(); ++i) {
        EXPECT_EQ(events.hdrs[i], &hdrs[i]);
        EXPECT_EQ(waveOutUnprepareHeader(out, &hdrs[i], sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    EXPECT_EQ(waveOutClose(out), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, NoDeviceIsACleanOpenFailure)
{
    alsa.withDefault(false);
    alsa.apply();
    HWAVEIN in = reinterpret_cast<HWAVEIN>(1);
    EXPECT_NE(waveInOpen(&in, WAVE_MAPPER, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    EXPECT_EQ(in, nullptr);
    HWAVEOUT out = reinterpret_cast<HWAVEOUT>(1);
    EXPECT_NE(waveOutOpen(&out, WAVE_MAPPER, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(waveInGetNumDevs(), 0u);
    EXPECT_EQ(waveOutGetNumDevs(), 0u);
    EXPECT_EQ(waveInOpen(&in, 0, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_BADDEVICEID);
    EXPECT_TRUE(events.msgs.empty());
}

TEST_F(WaveTest, FormatsOtherThanPcmAreRefused)
{
    alsa.apply();
    struct Case {
        const char* what;
        void (*change)(WAVEFORMATEX&);
    } cases[] = {
        {"not PCM", [](WAVEFORMATEX& f) { f.wFormatTag = 3; }},
        {"no channel", [](WAVEFORMATEX& f) { f.nChannels = 0; }},
        {"24 bits", [](WAVEFORMATEX& f) { f.wBitsPerSample = 24; }},
        {"block align", [](WAVEFORMATEX& f) { f.nBlockAlign = 4; }},
    };
    for (const auto& c : cases) {
        WAVEFORMATEX f = pcm16k();
        c.change(f);
        HWAVEIN in = nullptr;
        EXPECT_EQ(waveInOpen(&in, WAVE_MAPPER, &f, Events::proc, inst(), CALLBACK_FUNCTION), WAVERR_BADFORMAT) << c.what;
    }
}

TEST_F(WaveTest, DeviceNamesFollowTheHints)
{
    alsa.addDevice("mic_a", "A");
    alsa.addDevice("mic_b", "B");
    alsa.addDevice("mic_a2", "A"); // same shown name: listed once
    alsa.addDevice("long", "A device name longer than thirty-one characters");
    alsa.apply();

    const std::u16string longName = u"A device name longer than thirt";
    EXPECT_EQ(names(&waveInGetNumDevs, &waveInGetDevCapsW), (std::vector<std::u16string>{u"A", u"B", longName}));
    EXPECT_EQ(names(&waveOutGetNumDevs, &waveOutGetDevCapsW), names(&waveInGetNumDevs, &waveInGetDevCapsW));
    WAVEINCAPSW caps;
    EXPECT_EQ(waveInGetDevCapsW(3, &caps, sizeof(caps)), MMSYSERR_BADDEVICEID);

    // A listed device opens by its index.
    HWAVEIN in = nullptr;
    ASSERT_EQ(waveInOpen(&in, 1, &format, Events::proc, inst(), CALLBACK_FUNCTION), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(in), MMSYSERR_NOERROR);
}

TEST_F(WaveTest, TheAlsaLockIsTakenAgainByItsHolderAndKeepsOtherThreadsOut)
{
    alsa.addDevice("mic_a", "A");
    alsa.apply();

    // The holder lists and opens devices under its hold (the layer takes the lock again inside);
    // a non-reentrant lock would hang here, so the holder runs on a thread of its own.
    std::mutex m;
    std::condition_variable cv;
    bool holding = false, release = false, done = false;
    UINT inCount = 0, outCount = 0;
    MMRESULT opened = MMSYSERR_ERROR;
    std::thread holder([&] {
        auto held = LockAlsa();
        inCount = waveInGetNumDevs();
        outCount = waveOutGetNumDevs();
        HWAVEIN in = nullptr;
        opened = waveInOpen(&in, 0, &format, Events::proc, inst(), CALLBACK_FUNCTION);
        if (opened == MMSYSERR_NOERROR)
            waveInClose(in);
        std::unique_lock l(m);
        holding = true;
        cv.notify_all();
        cv.wait(l, [&] { return release; });
        done = true;
    });
    bool held = false;
    {
        std::unique_lock l(m);
        held = cv.wait_for(l, std::chrono::seconds(30), [&] { return holding; });
    }
    if (!held) {
        holder.detach(); // stuck for good
        FAIL() << "the holder hung inside its own hold";
    }
    EXPECT_EQ(inCount, 1u);
    EXPECT_EQ(outCount, 1u);
    EXPECT_EQ(opened, MMSYSERR_NOERROR);

    // Another thread waits until the holder lets go.
    std::thread other([&] {
        auto mine = LockAlsa();
        std::lock_guard l(m);
        EXPECT_TRUE(done) << "took the lock while another thread held it";
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    {
        std::lock_guard l(m);
        release = true;
        cv.notify_all();
    }
    holder.join();
    other.join();
}

} // namespace
