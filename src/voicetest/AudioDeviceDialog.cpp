// Audio-device dialog: device lists from the device files and the wave layer, its buttons and wave-in handler.
#include "AudioDeviceDialog.h"

#include "VoiceTestDialog.h"

#include "client/MainWindow.h"
#include "platform/os/Exception.h"
#include "platform/os/folders.h"
#include "platform/os/textlist.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <QStringList>

using namespace zuvi::ui;
using namespace zuvi::audio;

TForm8* Form8 = nullptr;

namespace {

const QString kDefaultDevice = QStringLiteral("Windows默认设备");
const QString kDisabled = QStringLiteral("禁用");

// The wave layer's devices of one direction: how many there are and the names that can be read.
struct DeviceList {
    UINT count = 0;
    QStringList names;
};

template<class Caps>
DeviceList ReadDevices(UINT (*count)(), MMRESULT (*getCaps)(UINT, Caps*, UINT))
{
    DeviceList list;
    list.count = count();
    for (UINT i = 0; i < list.count; ++i) {
        Caps caps;
        if (getCaps(i, &caps, sizeof(caps)) == MMSYSERR_NOERROR) // an unreadable name is left out
            list.names << QString::fromUtf16(caps.szPname);
    }
    return list;
}

QString CurrentAccountName() { return Form1 ? Form1->CurrentUser() : QString(); }

} // namespace

QString AudioDeviceFilePath(const QString& account, const QString& fileName)
{
    QString base = zuvi::os::accountFolder(account);
    if (!account.isEmpty())
        base.chop(1); // the account name and the file name are joined without a separator
    return base + fileName;
}

TForm8::TForm8(TComponent* Owner)
    : TForm(Owner)
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("frxComboBox1", frxComboBox1)
        .field("ProgressBar1", ProgressBar1)
        .field("Label2", Label2)
        .field("frxComboBox2", frxComboBox2)
        .field("ProgressBar2", ProgressBar2)
        .field("ssSkinButton5", ssSkinButton5)
        .field("ssSkinButton3", ssSkinButton3)
        .field("ssSkinButton4", ssSkinButton4)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton2", ssSkinButton2);
    b.handler("ssSkinButton1Click", this, &TForm8::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &TForm8::ssSkinButton2Click)
        .handler("ssSkinButton3Click", this, &TForm8::ssSkinButton3Click)
        .handler("ssSkinButton5Click", this, &TForm8::ssSkinButton5Click)
        .handler("OnClose", this, &TForm8::OnClose);
    LoadFormLayout(this, QStringLiteral("AudioDeviceDialog.form"), b);

    zuvi::os::ensureDir(zuvi::os::dataFolder());
    // Both lists under one hold of the ALSA lock: the SIP library's sound-card set-up, which
    // takes it too, would otherwise come in between and keep this window waiting for the whole
    // creation of the library's core.
    auto alsa = LockAlsa();
    FillDeviceList(frxComboBox1, "audio.input", true);
    FillDeviceList(frxComboBox2, "audio.output", false);
}

void TForm8::FillDeviceList(TComboBox* box, const char* fileName, bool input)
{
    // The file: its lines are the items, its first line the text.
    const QString path = AudioDeviceFilePath(CurrentAccountName(), QString::fromLatin1(fileName));
    if (zuvi::os::fileExists(path)) {
        zuvi::os::TextList file;
        file.load(path);
        box->Items()->Clear();
        for (const QString& line : file.lines)
            box->Items()->Add(line);
        box->SetText(file.lines.isEmpty() ? kDefaultDevice : file.lines.first());
    } else {
        try {
            zuvi::os::ensureFile(path);
        } catch (const zuvi::Exception&) {
            // the devices are listed all the same
        }
        box->SetText(kDefaultDevice);
    }

    // The devices: they replace the file's lines; the text stays as set.
    const DeviceList devices = input ? ReadDevices(&waveInGetNumDevs, &waveInGetDevCapsW) : ReadDevices(&waveOutGetNumDevs, &waveOutGetDevCapsW);
    const QString text = box->Text();
    if (devices.count == 0) {
        box->Items()->Add(input ? QStringLiteral("没有发现声音输入设备") : QStringLiteral("没有发现声音输出设备"));
    } else {
        box->Items()->Clear();
        box->Items()->Add(kDefaultDevice);
        for (const QString& name : devices.names)
            box->Items()->Add(name);
        box->Items()->Add(kDisabled);
    }
    box->SetText(text);
}

void TForm8::ssSkinButton1Click(TObject*) { Hide(); }

void TForm8::ssSkinButton2Click(TObject*) { Close(); }

void TForm8::ssSkinButton3Click(TObject*) { }

// The guide opens the system's voice test.
void TForm8::ssSkinButton5Click(TObject*)
{
    if (Form16)
        Form16->Show();
}

void TForm8::OnClose(TObject*, TCloseAction&) { }

void TForm8::Dispatch(TWaveMessage& Message)
{
    if (Message.Msg == MM_WIM_DATA)
        RequeueWaveInBuffer(Message);
}

void TForm8::RequeueWaveInBuffer(TWaveMessage&)
{
    WAVEHDR* hdr = FWaveHdr[FWaveHdrIndex];
    FWaveResult = waveInAddBuffer(FWaveIn, hdr, sizeof(WAVEHDR));
    if (FWaveResult != MMSYSERR_NOERROR) {
        zuvi::ui::MessageBox(QStringLiteral("add buf failed!"));
        return;
    }
    SplitRecordedBuffer(hdr);
    FWaveHdrIndex = 1 - FWaveHdrIndex;
}

void TForm8::SplitRecordedBuffer(const WAVEHDR* hdr)
{
    if (!hdr)
        return;
    DWORD n = hdr->dwBytesRecorded / 2;
    if (n == 0)
        return;
    if (FWaveRingPos >= kRingSize)
        FWaveRingPos = 0;
    while (n != 0 && FWaveRingPos < kRingSize) {
        WAVEHDR& e = FWaveRing[FWaveRingPos];
        e = WAVEHDR{};
        e.lpData = hdr->lpData;
        if (n > 512) {
            e.dwBufferLength = 512;
            n -= 512;
        } else {
            e.dwBufferLength = n > 4 ? n - 4 : 0;
            n = 0;
        }
        ++FWaveRingPos;
    }
}
