// Tests of the wave recorder and player: "1.wav" byte for byte, levels, header checks and odd sizes, on real ALSA.
#include "WaveIO.h"

#include "TempHome.h"
#include "TestAlsa.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace zuvi::audio;

namespace {

std::string bytesOf(const std::vector<std::int16_t>& v) { return std::string(reinterpret_cast<const char*>(v.data()), v.size() * 2); }

std::string le32(std::uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
std::string le16(std::uint16_t v) { return {char(v), char(v >> 8)}; }

// The header the recorder writes, with the given data size field.
std::string header(std::uint32_t dataSize, std::uint32_t riffSize = 0)
{
    return "RIFF" + le32(riffSize) + "WAVEfmt " + le32(16) + le16(1) + le16(1) + le32(16000) + le32(32000) + le16(2) + le16(16) + "data" + le32(dataSize);
}

// Counts what the callbacks hand to the dialog; can hold the capture at a given buffer until the
// recording is stopping, so that a recording holds an exact number of buffers.
struct DialogProbe {
    std::mutex m;
    std::condition_variable cv;
    std::vector<int> levels;
    int timerOn = 0, timerOff = 0;
    std::size_t holdAt = 0;

    void install()
    {
        WaveIODialog.recordLevel = [this](int level) {
            std::unique_lock<std::mutex> l(m);
            levels.push_back(level);
            cv.notify_all();
            if (levels.size() == holdAt) {
                l.unlock();
                while (!RecordStopping)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        };
        WaveIODialog.playTimer = [this](bool on) {
            std::lock_guard<std::mutex> l(m);
            (on ? timerOn : timerOff)++;
            cv.notify_all();
        };
    }
    bool waitLevels(std::size_t n)
    {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, std::chrono::seconds(60), [&] { return levels.size() >= n; });
    }
    bool waitPlayed(int pieces)
    {
        std::unique_lock<std::mutex> l(m);
        return cv.wait_for(l, std::chrono::seconds(60), [&] { return timerOn >= pieces; });
    }
};

class WaveIOTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldCwd = std::filesystem::current_path();
        std::filesystem::current_path(home.dir());
        alsa.apply();
        probe.install();
    }
    void TearDown() override
    {
        WaveIODialog = {};
        std::filesystem::current_path(m_oldCwd);
    }

    static std::string readFile(const std::string& path)
    {
        std::ifstream f(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    }
    static void writeFile(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    // Records exactly `buffers` buffers of the test signal.
    void recordBuffers(CRecord& rec, std::size_t buffers)
    {
        probe.holdAt = buffers;
        rec.SetFormat();
        ASSERT_EQ(rec.Start(), MMSYSERR_NOERROR);
        ASSERT_TRUE(probe.waitLevels(buffers));
        rec.Stop();
        EXPECT_EQ(rec.m_hWaveIn, nullptr);
    }
    std::vector<std::uint32_t> loadedPieces()
    {
        CPlay play;
        EXPECT_TRUE(play.Open());
        play.LoadBuffers();
        std::vector<std::uint32_t> sizes;
        for (int i = 0; i < PlayBufferCount; ++i)
            sizes.push_back(play.m_WaveHdr[i].dwBufferLength);
        play.Stop();
        return sizes;
    }

    zuvi::test::TempHome home{"zuvi-waveio-test"};
    zuvi::test::TestAlsa alsa{home.dir()};
    DialogProbe probe;

private:
    std::filesystem::path m_oldCwd;
};

TEST_F(WaveIOTest, LevelsOfRecorderAndPlayer)
{
    struct Case {
        const char* what;
        std::vector<std::int16_t> samples;
        int recorder, player;
    } cases[] = {
        {"silence", std::vector<std::int16_t>(256, 0), 0, 0},
        {"every sample 1000", std::vector<std::int16_t>(256, 1000), 2, 1},
        {"-399 truncates to -1", {-399, 0, 0}, 0, 1},
        {"-400 is -2", {-400}, 1, 1},
        {"-199 to 199 count as 0", {-199, 199, 150, -150}, 0, 0},
        {"full scale", {32767, -32768, 32767, -32768}, 100, 108},
        {"no samples", {}, 0, 0},
    };
    RecordStopping = true; // nothing written or queued again
    for (const auto& c : cases) {
        std::string bytes = bytesOf(c.samples);
        WAVEHDR h{};
        h.lpData = bytes.data();
        h.dwBufferLength = h.dwBytesRecorded = DWORD(bytes.size());
        probe.levels.clear();
        WaveInProc(nullptr, MM_WIM_DATA, 0, reinterpret_cast<DWORD_PTR>(&h), 0);
        ASSERT_EQ(probe.levels.size(), 1u) << c.what;
        EXPECT_EQ(probe.levels[0], c.recorder) << c.what;
        WaveOutProc(nullptr, MM_WOM_DONE, 0, reinterpret_cast<DWORD_PTR>(&h), 0);
        EXPECT_EQ(PlayLevel, c.player) << c.what;
    }
    EXPECT_EQ(probe.timerOn, int(std::size(cases)));
    WaveOutProc(nullptr, MM_WOM_CLOSE, 0, 0, 0);
    WaveOutProc(nullptr, MM_WOM_OPEN, 0, 0, 0);
    EXPECT_EQ(probe.timerOff, 1);
}

TEST_F(WaveIOTest, TenSecondRecordingIsByteExact)
{
    const auto signal = zuvi::test::rampSignal(256 * 700);
    alsa.setInput(signal);
    CRecord rec;
    recordBuffers(rec, 625);

    const std::string file = readFile(kRecordFileName);
    ASSERT_EQ(file.size(), 44u + 625 * 512);
    EXPECT_EQ(file.substr(0, 44), header(4 + 625 * 512, 36 + 625 * 512));
    EXPECT_TRUE(file.substr(44) == bytesOf(signal).substr(0, 625 * 512)) << "samples differ";

    std::vector<std::uint32_t> want(625, 512);
    want.push_back(0);
    EXPECT_EQ(loadedPieces(), want);
}

TEST_F(WaveIOTest, StopRightAfterStartLeavesTheBareHeader)
{
    // The capture blocks on an input that has no data until the recording is stopping.
    std::filesystem::remove(alsa.inFile());
    ASSERT_EQ(mkfifo(alsa.inFile().c_str(), 0600), 0);
    const int fifo = open(alsa.inFile().c_str(), O_RDWR);
    ASSERT_GE(fifo, 0);
    std::thread release([&] {
        while (!RecordStopping)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        close(fifo);
    });
    writeFile(kRecordFileName, std::string(5000, 'x')); // emptied by the start
    CRecord rec;
    rec.SetFormat();
    EXPECT_EQ(rec.Start(), MMSYSERR_NOERROR);
    rec.Stop();
    release.join();

    EXPECT_EQ(readFile(kRecordFileName), header(4, 36));
    EXPECT_TRUE(probe.levels.size() <= 2); // only the buffers the reset returned
    EXPECT_EQ(loadedPieces(), std::vector<std::uint32_t>{0});
}

TEST_F(WaveIOTest, RecordingPlaysBackThroughTheDeviceByteForByte)
{
    const auto signal = zuvi::test::rampSignal(256 * 60);
    alsa.setInput(signal);
    {
        CRecord rec;
        recordBuffers(rec, 40);
    }
    CPlay play;
    ASSERT_TRUE(play.Open());
    play.SetFormat();
    play.Start();
    EXPECT_EQ(PlayFile, nullptr);
    ASSERT_EQ(PlayBufferCount, 41);
    ASSERT_TRUE(probe.waitPlayed(41));
    play.Stop();
    EXPECT_EQ(play.m_Result, MMSYSERR_NOERROR);
    EXPECT_EQ(play.m_hWaveOut, nullptr);
    EXPECT_EQ(PlayBuffers[0], nullptr);
    EXPECT_EQ(probe.timerOff, 1);
    EXPECT_TRUE(alsa.output() == bytesOf(signal).substr(0, 40 * 512)) << "played bytes differ";
}

TEST_F(WaveIOTest, HeaderChecksThePlayerRefusesOrAccepts)
{
    struct Case {
        const char* what;
        std::size_t at;
        std::string bytes;
        bool plays;
    } cases[] = {
        {"recorder's header", 0, "", true},
        {"not RIFF", 0, "RIFX", false},
        {"not WAVE", 8, "AVI ", false},
        {"not fmt", 12, "fmt_", false},
        {"format chunk 18", 16, le32(18), false},
        {"not PCM", 20, le16(3), false},
        {"2 channels", 22, le16(2), false},
        {"8000 per second", 24, le32(8000), false},
        {"bytes per second", 28, le32(16000), false},
        {"block align 4", 32, le16(4), false},
        {"8 bits", 34, le16(8), false},
        {"RIFF size other than the file's", 4, le32(12345), true},
        {"chunk LIST instead of data", 36, "LIST", true},
    };
    for (const auto& c : cases) {
        std::string file = header(4 + 512) + std::string(512, '\x05');
        file.replace(c.at, c.bytes.size(), c.bytes);
        writeFile(kRecordFileName, file);
        CPlay play;
        EXPECT_EQ(play.Open(), c.plays) << c.what;
        EXPECT_EQ(PlayFile != nullptr, c.plays) << c.what;
        play.LoadBuffers();
        if (c.plays) {
            EXPECT_EQ(PlayBufferCount, 2) << c.what; // the 4 bytes at offset 40 are the data size
        }
    }
    writeFile(kRecordFileName, header(4).substr(0, 30));
    EXPECT_FALSE(CPlay().Open()) << "short file";
    std::filesystem::remove(kRecordFileName);
    EXPECT_FALSE(CPlay().Open()) << "no file";
    CPlay play;
    play.SetFormat();
    play.Start(); // after a refused Open: nothing
    EXPECT_EQ(play.m_hWaveOut, nullptr);
}

TEST_F(WaveIOTest, OddDataSizesNeverReachPastTheSamples)
{
    struct Case {
        const char* what;
        std::uint32_t field;
        std::uint32_t sampleBytes;
        std::vector<std::uint32_t> pieces;
    } cases[] = {
        {"field 1", 1, 0, {0}},
        {"field 3", 3, 100, {0}},
        {"field 2 after whole pieces", 512 * 2 + 2, 512 * 2, {512, 512, 0}},
        {"remainder 510", 4 + 512 + 510, 512 + 510, {512, 510}},
        {"remainder 509", 4 + 512 * 2 + 509, 512 * 2 + 509, {512, 512, 509}},
        {"remainder 511", 4 + 511, 511, {511}},
        {"field larger than the file", 4 + 512 * 10, 700, {512, 188}},
        {"field larger, file ends on a piece", 4 + 512 * 10, 1024, {512, 512, 0}},
        {"field equal to the sample bytes", 1000, 1000, {512, 484}},
    };
    for (const auto& c : cases) {
        writeFile(kRecordFileName, header(c.field) + std::string(c.sampleBytes, '\x07'));
        EXPECT_EQ(loadedPieces(), c.pieces) << c.what;
    }

    // Played through the device: exactly the samples the file holds.
    const std::string samples = bytesOf(zuvi::test::rampSignal(350));
    writeFile(kRecordFileName, header(4 + 512 * 10) + samples);
    CPlay play;
    ASSERT_TRUE(play.Open());
    play.SetFormat();
    play.Start();
    ASSERT_TRUE(probe.waitPlayed(2));
    play.Stop();
    EXPECT_EQ(alsa.output(), samples);
}

TEST_F(WaveIOTest, MoreThan1024BuffersLoadsTheFirst1024)
{
    const std::string samples = bytesOf(zuvi::test::rampSignal(256 * 1100));
    writeFile(kRecordFileName, header(4 + 1100 * 512) + samples);
    CPlay play;
    ASSERT_TRUE(play.Open());
    play.LoadBuffers();
    ASSERT_EQ(PlayBufferCount, 1024);
    EXPECT_EQ(PlayFile, nullptr);
    for (int i : {0, 1023}) {
        EXPECT_EQ(play.m_WaveHdr[i].dwBufferLength, 512u);
        EXPECT_EQ(std::string(play.m_WaveHdr[i].lpData, 512), samples.substr(std::size_t(i) * 512, 512)) << i;
    }
    play.Stop();
}

TEST_F(WaveIOTest, NoDeviceRecordsAndPlaysNothing)
{
    alsa.withDefault(false);
    alsa.apply();
    writeFile(kRecordFileName, header(4 + 512, 36 + 512) + std::string(512, '\x01'));
    const std::string older = readFile(kRecordFileName);

    CRecord rec;
    rec.SetFormat();
    EXPECT_NE(rec.Start(), MMSYSERR_NOERROR);
    EXPECT_NE(rec.m_Result, MMSYSERR_NOERROR);
    rec.Stop();
    EXPECT_EQ(readFile(kRecordFileName), older);

    CPlay play;
    ASSERT_TRUE(play.Open());
    play.SetFormat();
    play.Start();
    EXPECT_NE(play.m_Result, MMSYSERR_NOERROR);
    EXPECT_EQ(PlayFile, nullptr);
    EXPECT_EQ(PlayBufferCount, 0);
    play.Stop();
    EXPECT_EQ(probe.timerOn + probe.timerOff, 0);
}

TEST_F(WaveIOTest, UncreatableFileStillReportsLevels)
{
    alsa.setInput(std::vector<std::int16_t>(256 * 20, 1000));
    std::filesystem::create_directory(kRecordFileName); // "1.wav" cannot be created as a file
    CRecord rec;
    recordBuffers(rec, 5);
    EXPECT_TRUE(std::filesystem::is_directory(kRecordFileName));
    EXPECT_EQ(probe.levels[0], 2);
}

} // namespace
