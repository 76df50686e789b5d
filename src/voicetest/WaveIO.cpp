// Wave recorder and player of the voice test: recording into "1.wav" and playing it back in pieces.
#include "WaveIO.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

using namespace zuvi::audio;

std::FILE* RecordFile = nullptr;
std::atomic<bool> RecordStopping{false};
std::mutex RecordLock;

std::FILE* PlayFile = nullptr;
char* PlayBuffers[kMaxPlayPieces] = {};
int PlayBufferCount = 0;
std::atomic<int> PlayLevel{0};

WaveIOTarget WaveIODialog;

namespace {

constexpr long kHeaderBytes = 44;
constexpr int kRecordLevelCap = 100;

void fillFormat(WAVEFORMATEX& f)
{
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = 1;
    f.nSamplesPerSec = 16000;
    f.wBitsPerSample = 16;
    f.nBlockAlign = std::uint16_t(f.nChannels * f.wBitsPerSample / 8);
    f.nAvgBytesPerSec = f.nBlockAlign * f.nSamplesPerSec;
    f.cbSize = 0;
}

void put32(std::FILE* f, std::uint32_t v)
{
    const unsigned char b[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    std::fwrite(b, 1, 4, f);
}
void put16(std::FILE* f, std::uint16_t v)
{
    const unsigned char b[2] = {std::uint8_t(v), std::uint8_t(v >> 8)};
    std::fwrite(b, 1, 2, f);
}

bool read32(std::FILE* f, std::uint32_t& v)
{
    unsigned char b[4];
    if (std::fread(b, 1, 4, f) != 4)
        return false;
    v = b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24;
    return true;
}
bool expect32(std::FILE* f, std::uint32_t want)
{
    std::uint32_t v;
    return read32(f, v) && v == want;
}
bool expect16(std::FILE* f, std::uint16_t want)
{
    unsigned char b[2];
    return std::fread(b, 1, 2, f) == 2 && (b[0] | b[1] << 8) == want;
}
bool expectTag(std::FILE* f, const char* tag)
{
    char b[4];
    return std::fread(b, 1, 4, f) == 4 && std::memcmp(b, tag, 4) == 0;
}

void freePieces()
{
    for (char*& p : PlayBuffers) {
        delete[] p;
        p = nullptr;
    }
}

} // namespace

int WaveLevel(const char* data, unsigned samples, int lo, int hi)
{
    for (unsigned i = 0; i < samples; ++i) {
        std::int16_t v;
        std::memcpy(&v, data + 2 * i, 2);
        const int q = v / 200;
        hi = std::max(hi, q);
        lo = std::min(lo, q);
    }
    return (hi - lo) / 3;
}

// ---- recorder ----

CRecord::CRecord()
    : m_Buffer1(new char[kWaveBufferBytes])
    , m_Buffer2(new char[kWaveBufferBytes])
{ }

CRecord::~CRecord()
{
    if (m_hWaveIn) // the device must not keep filling freed buffers
        Stop();
    delete[] m_Buffer1;
    delete[] m_Buffer2;
}

void CRecord::SetFormat() { fillFormat(m_WaveFormat); }

MMRESULT CRecord::Start()
{
    RecordStopping = false;
    m_Result = waveInOpen(&m_hWaveIn, WAVE_MAPPER, &m_WaveFormat, WaveInProc, 0, CALLBACK_FUNCTION);
    if (m_Result != MMSYSERR_NOERROR)
        return m_Result;
    PrepareFile();
    for (WAVEHDR* h : {&m_WaveHdr2, &m_WaveHdr1}) {
        if ((m_Result = waveInPrepareHeader(m_hWaveIn, h, sizeof(WAVEHDR))) != MMSYSERR_NOERROR)
            return m_Result;
        if ((m_Result = waveInAddBuffer(m_hWaveIn, h, sizeof(WAVEHDR))) != MMSYSERR_NOERROR)
            return m_Result;
    }
    m_Result = waveInStart(m_hWaveIn);
    return m_Result;
}

void CRecord::PrepareFile()
{
    if (!m_Buffer1 || !m_Buffer2)
        return;
    m_WaveHdr1 = WAVEHDR{};
    m_WaveHdr1.lpData = m_Buffer1;
    m_WaveHdr1.dwBufferLength = kWaveBufferBytes;
    m_WaveHdr2 = WAVEHDR{};
    m_WaveHdr2.lpData = m_Buffer2;
    m_WaveHdr2.dwBufferLength = kWaveBufferBytes;

    std::lock_guard<std::mutex> l(RecordLock);
    if (RecordFile) // a file left open by a start without stop
        std::fclose(RecordFile);
    RecordFile = std::fopen(kRecordFileName, "wb");
    if (!RecordFile)
        return;
    std::fwrite("RIFF", 1, 4, RecordFile);
    put32(RecordFile, 0);
    std::fwrite("WAVEfmt ", 1, 8, RecordFile);
    put32(RecordFile, 16);
    put16(RecordFile, WAVE_FORMAT_PCM);
    put16(RecordFile, 1);
    put32(RecordFile, 16000);
    put32(RecordFile, 32000);
    put16(RecordFile, 2);
    put16(RecordFile, 16);
    std::fwrite("data", 1, 4, RecordFile);
    put32(RecordFile, 0);
    std::fseek(RecordFile, kHeaderBytes, SEEK_SET);
}

void CRecord::Stop()
{
    {
        std::lock_guard<std::mutex> l(RecordLock);
        RecordStopping = true;
        if (RecordFile) {
            const long length = std::ftell(RecordFile);
            std::fseek(RecordFile, 4, SEEK_SET);
            put32(RecordFile, std::uint32_t(length - 8));
            std::fseek(RecordFile, 40, SEEK_SET);
            put32(RecordFile, std::uint32_t(length - 40));
            std::fflush(RecordFile);
            std::fclose(RecordFile);
            RecordFile = nullptr;
        }
    }
    // Outside the lock: the reset hands the queued buffers to WaveInProc, which takes it.
    if (!m_hWaveIn)
        return;
    if ((m_Result = waveInReset(m_hWaveIn)) != MMSYSERR_NOERROR)
        return;
    for (WAVEHDR* h : {&m_WaveHdr1, &m_WaveHdr2})
        if ((m_Result = waveInUnprepareHeader(m_hWaveIn, h, sizeof(WAVEHDR))) != MMSYSERR_NOERROR)
            return;
    if ((m_Result = waveInClose(m_hWaveIn)) != MMSYSERR_NOERROR)
        return;
    m_hWaveIn = nullptr;
}

void WaveInProc(HWAVEIN device, UINT msg, DWORD_PTR, DWORD_PTR param1, DWORD_PTR)
{
    if (msg != MM_WIM_DATA)
        return;
    auto* hdr = reinterpret_cast<WAVEHDR*>(param1);
    const unsigned samples = hdr->dwBytesRecorded / 2;
    {
        std::lock_guard<std::mutex> l(RecordLock);
        if (!RecordStopping && RecordFile)
            std::fwrite(hdr->lpData, 2, samples, RecordFile);
    }
    const int level = std::min(WaveLevel(hdr->lpData, samples, -1, 1), kRecordLevelCap);
    if (WaveIODialog.recordLevel)
        WaveIODialog.recordLevel(level);
    if (!RecordStopping && waveInPrepareHeader(device, hdr, sizeof(WAVEHDR)) == MMSYSERR_NOERROR)
        waveInAddBuffer(device, hdr, sizeof(WAVEHDR));
}

// ---- player ----

CPlay::~CPlay()
{
    if (m_hWaveOut) // the device must not keep playing freed pieces
        Stop();
}

bool CPlay::Open()
{
    m_Opened = false;
    if (PlayFile)
        std::fclose(PlayFile);
    PlayFile = std::fopen(kRecordFileName, "rb");
    if (!PlayFile)
        return false;
    std::uint32_t riffSize, chunkId;
    const bool ok = expectTag(PlayFile, "RIFF") && read32(PlayFile, riffSize) && expectTag(PlayFile, "WAVE") && expectTag(PlayFile, "fmt ")
        && expect32(PlayFile, 16) && expect16(PlayFile, WAVE_FORMAT_PCM) && expect16(PlayFile, 1) && expect32(PlayFile, 16000)
        && expect32(PlayFile, 32000) && expect16(PlayFile, 2) && expect16(PlayFile, 16) && read32(PlayFile, chunkId);
    if (!ok) {
        std::fclose(PlayFile);
        PlayFile = nullptr;
        return false;
    }
    m_Opened = true;
    return true;
}

void CPlay::SetFormat() { fillFormat(m_WaveFormat); }

void CPlay::LoadBuffers()
{
    freePieces();
    PlayBufferCount = 0;
    if (!PlayFile)
        return;
    std::uint32_t n = 0;
    read32(PlayFile, n);
    // The samples that are really there: a data size field never leads past the end of the file.
    const long at = std::ftell(PlayFile);
    std::fseek(PlayFile, 0, SEEK_END);
    std::uint64_t available = std::uint64_t(std::max(0L, std::ftell(PlayFile) - at));
    std::fseek(PlayFile, at, SEEK_SET);
    while (n != 0 && PlayBufferCount < kMaxPlayPieces) {
        std::uint32_t size;
        if (n > kWaveBufferBytes) {
            size = kWaveBufferBytes;
            n -= kWaveBufferBytes;
        } else { // the last piece: the field counts 4 bytes more than the samples
            size = n > 4 ? n - 4 : 0;
            n = 0;
        }
        if (size > available) { // the file ends inside this piece: it is the last one
            size = std::uint32_t(available);
            n = 0;
        }
        available -= size;
        char* piece = new char[std::max<std::uint32_t>(size, 1)];
        size = std::uint32_t(std::fread(piece, 1, size, PlayFile));
        PlayBuffers[PlayBufferCount] = piece;
        WAVEHDR& h = m_WaveHdr[PlayBufferCount];
        h = WAVEHDR{};
        h.lpData = piece;
        h.dwBufferLength = size;
        ++PlayBufferCount;
    }
    std::fclose(PlayFile);
    PlayFile = nullptr;
}

void CPlay::Start()
{
    if (!m_Opened)
        return;
    m_Opened = false;
    if (m_hWaveOut) // still open from a playback that was not stopped
        Stop();
    m_Result = waveOutOpen(&m_hWaveOut, WAVE_MAPPER, &m_WaveFormat, WaveOutProc, 0, CALLBACK_FUNCTION);
    if (m_Result != MMSYSERR_NOERROR) {
        m_hWaveOut = nullptr;
        std::fclose(PlayFile);
        PlayFile = nullptr;
        return;
    }
    LoadBuffers();
    for (int i = 0; i < PlayBufferCount; ++i) {
        if ((m_Result = waveOutPrepareHeader(m_hWaveOut, &m_WaveHdr[i], sizeof(WAVEHDR))) != MMSYSERR_NOERROR)
            break;
        if ((m_Result = waveOutWrite(m_hWaveOut, &m_WaveHdr[i], sizeof(WAVEHDR))) != MMSYSERR_NOERROR)
            break;
    }
}

void CPlay::Stop()
{
    if (m_hWaveOut) {
        if ((m_Result = waveOutReset(m_hWaveOut)) != MMSYSERR_NOERROR)
            return;
        for (int i = 0; i < PlayBufferCount; ++i)
            if ((m_Result = waveOutUnprepareHeader(m_hWaveOut, &m_WaveHdr[i], sizeof(WAVEHDR))) != MMSYSERR_NOERROR)
                return;
        if ((m_Result = waveOutClose(m_hWaveOut)) != MMSYSERR_NOERROR)
            return;
        m_hWaveOut = nullptr;
    }
    freePieces();
    PlayBufferCount = 0;
}

void WaveOutProc(HWAVEOUT, UINT msg, DWORD_PTR, DWORD_PTR param1, DWORD_PTR)
{
    if (msg == MM_WOM_DONE) {
        const auto* hdr = reinterpret_cast<const WAVEHDR*>(param1);
        PlayLevel = WaveLevel(hdr->lpData, hdr->dwBufferLength / 2, 0, 2);
        if (WaveIODialog.playTimer)
            WaveIODialog.playTimer(true);
    } else if (msg == MM_WOM_CLOSE) {
        if (WaveIODialog.playTimer)
            WaveIODialog.playTimer(false);
    }
}
