// Call tests in process: the main window's status lines, the event loop run until a condition, dialling.
#pragma once

#include "client/MainWindow.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Layout.h"
#include "sip/Sip.h"
#include "skin/SSButton.h"
#include "skin/SkinClasses.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace zuvi::test {

inline QString label13() { return Form1->Label13->Caption(); }
inline QString label14() { return Form1->Label14->Caption(); }

// Status-line pairs as they changed while the event loop ran.
struct Watch {
    std::vector<std::pair<QString, QString>> seen;
    void sample()
    {
        std::pair<QString, QString> now{label13(), label14()};
        if (seen.empty() || seen.back() != now)
            seen.push_back(now);
    }
    bool saw(const QString& l13, const QString& l14) const
    {
        return std::find(seen.begin(), seen.end(), std::make_pair(l13, l14)) != seen.end();
    }
    std::string dump() const
    {
        std::string out;
        for (auto& p : seen)
            out += "[" + p.first.toStdString() + " | " + p.second.toStdString() + "] ";
        return out;
    }
};

// Runs the event loop until pred holds or the time is up; samples the status lines meanwhile.
inline bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout, Watch* w = nullptr)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < timeout.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (w)
            w->sample();
        if (pred())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
}

inline void runFor(std::chrono::milliseconds d, Watch* w = nullptr)
{
    runUntil([] { return false; }, d, w);
}

inline bool callButtonShown() { return Form1->ssSkinButton3->Visible() && !Form1->ssSkinButton8->Visible(); }

inline QStringList history() { return Form1->ListBox1->Items()->ToList(); }

inline void dial(const QString& text)
{
    Form1->Edit1->SetText(text);
    Form1->ssSkinButton3Click(nullptr);
}

// Waits until the program is idle again: call button back and the after-call second over.
inline void settle()
{
    using namespace std::chrono_literals;
    runUntil([] { return callButtonShown() && !Form1->Timer1->Enabled() && sip::callGetCount() == 0; }, 15s);
    runFor(200ms);
}

// Runs the registered tests in one application object with the build's resources and skins; the
// main window's timers are stopped before the windows go.
inline int runCallTests(int argc, char** argv)
{
    int rc;
    {
        ui::TApplication app(argc, argv);
        ui::SetResourceDir(QString::fromUtf8(ZUVI_TEST_BIN_DIR));
        skin::RegisterSkinClasses();
        rc = RUN_ALL_TESTS();
        if (Form1) {
            Form1->Timer1->SetEnabled(false);
            Form1->Timer2->SetEnabled(false);
        }
    }
    return rc;
}

} // namespace zuvi::test
