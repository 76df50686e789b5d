// Audio-device dialog: the wave-in and wave-out devices listed beside the device files.
#pragma once

#include "Wave.h"

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QString>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

// A message for the dialog's own dispatch: for MM_WIM_DATA, WParam the device and LParam the header.
struct TWaveMessage {
    zuvi::audio::UINT Msg = 0;
    zuvi::audio::DWORD_PTR WParam = 0;
    zuvi::audio::DWORD_PTR LParam = 0;
};

class TForm8 : public zuvi::ui::TForm {
public:
    explicit TForm8(zuvi::ui::TComponent* Owner);

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr; // "麦克风"
    zuvi::ui::TComboBox* frxComboBox1 = nullptr; // input devices
    zuvi::ui::TProgressBar* ProgressBar1 = nullptr;
    zuvi::ui::TLabel* Label2 = nullptr; // "扩音器"
    zuvi::ui::TComboBox* frxComboBox2 = nullptr; // output devices
    zuvi::ui::TProgressBar* ProgressBar2 = nullptr;
    zuvi::skin::TssSkinButton* ssSkinButton5 = nullptr; // voice-test guide
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // save
    zuvi::skin::TssSkinButton* ssSkinButton4 = nullptr; // cancel
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // hide
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // close

    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void ssSkinButton5Click(zuvi::ui::TObject* Sender);
    void OnClose(zuvi::ui::TObject* Sender, zuvi::ui::TCloseAction& Action);

    // MM_WIM_DATA goes to RequeueWaveInBuffer; every other message is not the dialog's.
    void Dispatch(TWaveMessage& Message);
    void RequeueWaveInBuffer(TWaveMessage& Message);
    void SplitRecordedBuffer(const zuvi::audio::WAVEHDR* hdr);

    // Capture state of the handler: a device, two headers, the one to hand back next, the last
    // result and a ring of entries over the captured buffers.
    zuvi::audio::HWAVEIN FWaveIn = nullptr;
    zuvi::audio::WAVEHDR* FWaveHdr[2] = {nullptr, nullptr};
    int FWaveHdrIndex = 0;
    zuvi::audio::MMRESULT FWaveResult = 0;
    static constexpr int kRingSize = 1024;
    zuvi::audio::WAVEHDR FWaveRing[kRingSize] = {};
    int FWaveRingPos = 0;

private:
    void FillDeviceList(zuvi::ui::TComboBox* box, const char* fileName, bool input);
};

// Path of a device file: the data folder, the account name and the file name, with no separator
// between the last two (characters that would leave the data folder are escaped).
QString AudioDeviceFilePath(const QString& account, const QString& fileName);

extern TForm8* Form8;
