// Voice-test dialog: the countdown, the switch to playback and its end, done / close / hide, "audiotest.ini".
#include "VoiceTestDialog.h"

#include "VoiceTestFiles.h"

#include "platform/os/Exception.h"
#include "platform/os/folders.h"
#include "platform/os/inifile.h"
#include "platform/ui/Handoff.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <algorithm>

using namespace zuvi::ui;

TForm16* Form16 = nullptr;

QDateTime (*TForm16::Clock)() = &QDateTime::currentDateTime;

namespace {

QDateTime RecordStartTime;
QDateTime PlayStartTime;

constexpr int kTestSeconds = 10;

// Second boundaries passed since start (whole seconds of both readings, subtracted).
qint64 ElapsedSeconds(const QDateTime& start)
{
    return TForm16::Clock().toSecsSinceEpoch() - start.toSecsSinceEpoch();
}

zuvi::os::IniFile AudioTestIni()
{
    return zuvi::os::IniFile(zuvi::os::dataFolder() + QStringLiteral("audiotest.ini"));
}

} // namespace

TForm16::TForm16(TComponent* Owner)
    : TForm(Owner)
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("Label1", Label1)
        .field("Label2", Label2)
        .field("Label3", Label3)
        .field("ProgressBar1", ProgressBar1)
        .field("ssSkinButton4", ssSkinButton4)
        .field("ssSkinButton3", ssSkinButton3)
        .field("CheckBox1", CheckBox1)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton2", ssSkinButton2)
        .field("Timer1", Timer1)
        .field("Timer2", Timer2)
        .field("Timer3", Timer3);
    b.handler("ssSkinButton4Click", this, &TForm16::ssSkinButton4Click)
        .handler("Timer1Timer", this, &TForm16::Timer1Timer)
        .handler("Timer2Timer", this, &TForm16::Timer2Timer)
        .handler("ssSkinButton3Click", this, &TForm16::ssSkinButton3Click)
        .handler("ssSkinButton2Click", this, &TForm16::ssSkinButton2Click)
        .handler("ssSkinButton1Click", this, &TForm16::ssSkinButton1Click)
        .handler("Timer3Timer", this, &TForm16::Timer3Timer);
    LoadFormLayout(this, QStringLiteral("VoiceTestDialog.form"), b);

    // The recorder's levels and the player's timer switch reach the dialog on the UI thread.
    WaveIODialog.recordLevel = [](int level) {
        post([level] {
            if (Form16)
                Form16->ProgressBar1->SetPosition(level);
        });
    };
    WaveIODialog.playTimer = [](bool on) {
        post([on] {
            if (Form16)
                Form16->Timer3->SetEnabled(on);
        });
    };

    Timer1->SetEnabled(false);
    Timer2->SetEnabled(false);
    Timer3->SetEnabled(false);
    Label3->SetCaption(QString());
    FTestState = 0;
    zuvi::os::ensureDir(zuvi::os::dataFolder());
    CheckBox1->SetChecked(AudioTestIni().readBool(QStringLiteral("item"), QStringLiteral("audiotest"), true));
}

TForm16::~TForm16()
{
    if (FTestState == 1)
        FRecord.Stop();
    else if (FTestState == 2)
        FPlay.Stop();
    WaveIODialog = {};
    if (Form16 == this)
        Form16 = nullptr;
}

void TForm16::ShowFrame(int n, int divNum)
{
    // A picture that cannot be read leaves the button as it is; the test goes on.
    TBitmap picture;
    try {
        picture.LoadFromFile(VoiceTestFramePath(n));
    } catch (const zuvi::Exception&) {
        return;
    }
    ssSkinButton4->SetSkin(picture);
    ssSkinButton4->SetDivNum(divNum);
}

void TForm16::ssSkinButton4Click(TObject*)
{
    if (FTestState != 0) // a test runs already
        return;
    ProgressBar1->SetPosition(0);
    RecordStartTime = Clock();
    FRecord.SetFormat();
    FRecord.Start();
    FTestState = 1;
    Timer1->SetEnabled(true);
    ssSkinButton4->SetEnabled(false);
}

void TForm16::Timer1Timer(TObject*)
{
    const qint64 s = ElapsedSeconds(RecordStartTime);
    // A late tick (9, then 11) switches all the same.
    const bool switching = s >= kTestSeconds;
    if (switching)
        ShowFrame(0, 3);
    else
        ShowFrame(int(std::min<qint64>(kTestSeconds, kTestSeconds - s)), 1);
    if (switching) {
        ssSkinButton4->SetEnabled(false);
        Label3->SetCaption(QStringLiteral("！请您注意收听现在播放的声音"));
        Repaint();
        FRecord.Stop();
        Timer3->SetEnabled(true);
        FPlay.Open();
        FPlay.SetFormat();
        FPlay.Start();
        PlayStartTime = Clock();
        FTestState = 2;
        Timer2->SetEnabled(true);
        Timer1->SetEnabled(false);
    }
    WriteLog("8\n");
}

void TForm16::Timer2Timer(TObject*)
{
    if (ElapsedSeconds(PlayStartTime) < kTestSeconds)
        return;
    Label3->SetCaption(QString());
    ssSkinButton4->SetEnabled(true);
    FPlay.Stop();
    FTestState = 0;
    Timer2->SetEnabled(false);
}

void TForm16::ssSkinButton3Click(TObject*)
{
    ssSkinButton4->SetEnabled(true);
    ProgressBar1->SetPosition(0);
    zuvi::os::ensureDir(zuvi::os::dataFolder());
    AudioTestIni().writeBool(QStringLiteral("item"), QStringLiteral("audiotest"), CheckBox1->Checked());
    Close();
    StopTest();
}

void TForm16::ssSkinButton2Click(TObject*)
{
    Close();
    StopTest();
}

void TForm16::ssSkinButton1Click(TObject*) { Hide(); }

void TForm16::Timer3Timer(TObject*) { }

void TForm16::StopTest()
{
    if (FTestState == 1) {
        Timer1->SetEnabled(false);
        FRecord.Stop();
        ShowFrame(0, 3);
        ssSkinButton4->SetEnabled(true);
        FTestState = 0;
    } else if (FTestState == 2) {
        FTestState = 0;
        Timer2->SetEnabled(false);
        Label3->SetCaption(QString());
        ssSkinButton4->SetEnabled(true);
        FPlay.Stop();
    }
}
