// Audio-device dialog driven through its form: lists from the device files and the devices, buttons, wave-in handler.
#include "DialogHarness.h"

#include "AudioDeviceDialog.h"
#include "VoiceTestDialog.h"

#include "platform/os/textlist.h"

using namespace zuvi::ui;
using namespace zuvi::audio;
using namespace voicetest_test;

namespace {

const QString kDefault = QStringLiteral("Windows默认设备");
const QString kDisabled = QStringLiteral("禁用");
const QString kNoInput = QStringLiteral("没有发现声音输入设备");
const QString kNoOutput = QStringLiteral("没有发现声音输出设备");

QStringList Items(TComboBox* box)
{
    QStringList v;
    for (int i = 0; i < box->Items()->Count(); ++i)
        v << box->Items()->Strings(i);
    return v;
}

class AudioDevices : public DialogTest {
protected:
    void TearDown() override
    {
        if (Form8)
            Form8->Free();
        Form8 = nullptr;
        DialogTest::TearDown();
    }
    TForm8* Create()
    {
        alsa.apply();
        if (Form8)
            Form8->Free();
        CreateForm(&Form8, nullptr);
        return Form8;
    }
};

TEST_F(AudioDevices, ListsFromDeviceFilesAndDevices)
{
    struct Case {
        const char* what;
        std::vector<std::string> devices;
        const char* file; // nullptr: no file; lines end in CR LF
        QStringList items;
        QString text;
    } cases[] = {
        {"A and B, no file", {"A", "B"}, nullptr, {kDefault, "A", "B", kDisabled}, kDefault},
        {"A and B, file B C", {"A", "B"}, "B\r\nC\r\n", {kDefault, "A", "B", kDisabled}, "B"},
        {"no device, file C", {}, "C\r\n", {"C", kNoInput}, "C"},
        {"no device, empty file", {}, "", {kNoInput}, kDefault},
        {"no device, no file", {}, nullptr, {kNoInput}, kDefault},
        {"devices in index order", {"Mic 3", "Mic 1", "Mic 2"}, nullptr, {kDefault, "Mic 3", "Mic 1", "Mic 2", kDisabled}, kDefault},
    };
    for (const auto& c : cases) {
        alsa.clearDevices();
        for (std::size_t i = 0; i < c.devices.size(); ++i)
            alsa.addDevice("dev" + std::to_string(i), c.devices[i]);
        for (const char* name : {"audio.input", "audio.output"}) {
            QFile::remove(dataFile(name));
            if (c.file)
                WriteBytes(dataFile(name), c.file);
        }
        TForm8* f = Create();
        QStringList outItems = c.items;
        outItems.replaceInStrings(kNoInput, kNoOutput);
        EXPECT_EQ(Items(f->frxComboBox1), c.items) << c.what;
        EXPECT_EQ(f->frxComboBox1->Text(), c.text) << c.what;
        EXPECT_EQ(Items(f->frxComboBox2), outItems) << c.what;
        EXPECT_EQ(f->frxComboBox2->Text(), c.text) << c.what;
        for (const char* name : {"audio.input", "audio.output"})
            EXPECT_EQ(ReadBytes(dataFile(name)), QByteArray(c.file ? c.file : "")) << c.what << " " << name;
    }
}

TEST_F(AudioDevices, UncreatableDeviceFileStillListsTheDevices)
{
    alsa.addDevice("a", "A");
    QDir().mkpath(dataFile("audio.input")); // a folder where the file should be
    TForm8* f = Create();
    EXPECT_EQ(Items(f->frxComboBox1), (QStringList{kDefault, "A", kDisabled}));
    EXPECT_EQ(f->frxComboBox1->Text(), kDefault);
    EXPECT_EQ(ReadBytes(home.dir().c_str() + QStringLiteral("/msgbox.log")), QByteArray("<missing>"));
}

TEST_F(AudioDevices, DeviceFilePathJoinsTheAccountWithoutSeparator)
{
    const QString data = zuvi::os::dataFolder();
    EXPECT_EQ(AudioDeviceFilePath("", "audio.input"), data + "audio.input");
    EXPECT_EQ(AudioDeviceFilePath("13800000001", "audio.output"), data + "13800000001audio.output");
    EXPECT_EQ(AudioDeviceFilePath("../x", "audio.input"), data + "..%2Fxaudio.input");
}

TEST_F(AudioDevices, ButtonsHideCloseAndOpenTheVoiceTest)
{
    TForm8* f = Create();
    EXPECT_EQ(f->ClientWidth(), 340);
    EXPECT_EQ(f->ClientHeight(), 214);
    for (auto* b : {f->ssSkinButton1, f->ssSkinButton2}) {
        f->Show();
        Click(b);
        EXPECT_FALSE(f->Visible());
        EXPECT_EQ(Form8, f); // hidden, not destroyed
    }
    f->Show();
    Click(f->ssSkinButton3);
    Click(f->ssSkinButton4);
    EXPECT_TRUE(f->Visible());

    CreateForm(&Form16, nullptr);
    EXPECT_FALSE(Form16->Visible());
    Click(f->ssSkinButton5);
    EXPECT_TRUE(Form16->Visible());
    Form16->Free();
}

TEST_F(AudioDevices, WaveInDataHandlerRequeuesAndSplits)
{
    TForm8* f = Create();
    const QString msgLog = home.dir().c_str() + QStringLiteral("/msgbox.log");
    TWaveMessage other{MM_WIM_OPEN, 0, 0};
    f->Dispatch(other);
    EXPECT_FALSE(QFile::exists(msgLog));

    // Nothing set up: the requeue fails, the index stays.
    TWaveMessage data{MM_WIM_DATA, 0, 0};
    f->Dispatch(data);
    EXPECT_EQ(ReadBytes(msgLog), QByteArray("add buf failed!\n"));
    EXPECT_EQ(f->FWaveHdrIndex, 0);

    // A device and two headers: each message hands the selected header back and splits it.
    WAVEFORMATEX fmt{WAVE_FORMAT_PCM, 1, 16000, 32000, 2, 16, 0};
    ASSERT_EQ(waveInOpen(&f->FWaveIn, WAVE_MAPPER, &fmt, nullptr, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> b1(2000), b2(2000);
    WAVEHDR h1{}, h2{};
    h1.lpData = b1.data(), h1.dwBufferLength = 2000;
    h2.lpData = b2.data(), h2.dwBufferLength = 2000;
    ASSERT_EQ(waveInPrepareHeader(f->FWaveIn, &h1, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveInPrepareHeader(f->FWaveIn, &h2, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    f->FWaveHdr[0] = &h1;
    f->FWaveHdr[1] = &h2;
    f->Dispatch(data);
    // waveInAddBuffer clears the recorded count; what it held before is what the handler splits.
    EXPECT_EQ(f->FWaveHdrIndex, 1);
    h2.dwBytesRecorded = 2000;
    f->FWaveRingPos = 1023;
    f->SplitRecordedBuffer(&h2); // n = 1000 samples: one entry of 512 fits before the end
    EXPECT_EQ(f->FWaveRingPos, 1024);
    EXPECT_EQ(f->FWaveRing[1023].dwBufferLength, 512u);
    f->SplitRecordedBuffer(&h2); // at the end: back to 0, then 512 and 484
    EXPECT_EQ(f->FWaveRingPos, 2);
    EXPECT_EQ(f->FWaveRing[0].dwBufferLength, 512u);
    EXPECT_EQ(f->FWaveRing[1].dwBufferLength, 484u);
    EXPECT_EQ(f->FWaveRing[1].lpData, h2.lpData);
    f->Dispatch(data);
    EXPECT_EQ(f->FWaveHdrIndex, 0);
    EXPECT_EQ(ReadBytes(msgLog), QByteArray("add buf failed!\n"));
    EXPECT_EQ(waveInReset(f->FWaveIn), MMSYSERR_NOERROR);
    EXPECT_EQ(waveInClose(f->FWaveIn), MMSYSERR_NOERROR);
}

} // namespace
