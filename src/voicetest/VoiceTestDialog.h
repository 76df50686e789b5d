// Voice-test dialog: records ten seconds with a countdown and a level meter, then plays them back.
#pragma once

#include "WaveIO.h"

#include "platform/ui/Components.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QDateTime>

namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

class TForm16 : public zuvi::ui::TForm {
public:
    explicit TForm16(zuvi::ui::TComponent* Owner);
    ~TForm16() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::ui::TLabel* Label1 = nullptr;
    zuvi::ui::TLabel* Label2 = nullptr;
    zuvi::ui::TLabel* Label3 = nullptr; // notice line
    zuvi::ui::TProgressBar* ProgressBar1 = nullptr; // level meter
    zuvi::skin::TssSkinButton* ssSkinButton4 = nullptr; // start; shows the countdown
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // done
    zuvi::ui::TCheckBox* CheckBox1 = nullptr; // "下次Zuvi启动时不再显示"
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // hide
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // close
    zuvi::ui::TTimer* Timer1 = nullptr; // countdown tick while recording
    zuvi::ui::TTimer* Timer2 = nullptr; // tick while playing back
    zuvi::ui::TTimer* Timer3 = nullptr; // switched by the player

    void ssSkinButton4Click(zuvi::ui::TObject* Sender);
    void Timer1Timer(zuvi::ui::TObject* Sender);
    void Timer2Timer(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void Timer3Timer(zuvi::ui::TObject* Sender);

    // 0 idle, 1 recording, 2 playing back.
    int TestState() const { return FTestState; }

    // The local date and time the timers count from; tests put a clock of their own here.
    static QDateTime (*Clock)();

private:
    void StopTest();
    void ShowFrame(int n, int divNum);

    CRecord FRecord;
    CPlay FPlay;
    int FTestState = 0;
};

extern TForm16* Form16;
