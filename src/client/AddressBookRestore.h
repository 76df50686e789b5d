// Address-book restore dialog and its worker thread: the service's contacts merged into the contact list.
#pragma once

#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace zuvi::net {
class HttpClient;
}
namespace zuvi::skin {
class TssSkinForm;
class TssSkinButton;
} // namespace zuvi::skin

// The restore worker. Created suspended; the first Resume starts it, later ones wake it. It waits
// (without using the processor) until the request flag is set, runs one restore, clears the flag,
// and so on for as long as the process lives. Nothing stops or frees it, and the end of the
// program does not wait for it.
class zuvi_Thread {
public:
    explicit zuvi_Thread(bool CreateSuspended);
    zuvi_Thread(const zuvi_Thread&) = delete;
    zuvi_Thread& operator=(const zuvi_Thread&) = delete;

    // Starts the thread the first time; afterwards wakes it to look at the request flag.
    void Resume();
    bool Started() const { return m_started.load(); }

    // The request flag: set by the dialog, cleared by the worker after each run.
    std::atomic<bool>& Request() { return m_request; }
    // The dialog is gone: the worker runs no further step of a run in progress.
    void Abandon() { m_abandoned.store(true); }
    bool Abandoned() const { return m_abandoned.load(); }

private:
    // The worker loop.
    void Execute();
    void Start();
    std::atomic<bool> m_request{false};
    std::atomic<bool> m_started{false};
    std::atomic<bool> m_abandoned{false};
    std::mutex m_mutex;
    std::condition_variable m_wake;
};

class Tsynchronous : public zuvi::ui::TForm {
public:
    explicit Tsynchronous(zuvi::ui::TComponent* Owner);
    ~Tsynchronous() override;

    zuvi::skin::TssSkinForm* ssSkinForm1 = nullptr;
    zuvi::skin::TssSkinButton* ssSkinButton1 = nullptr; // start
    zuvi::skin::TssSkinButton* ssSkinButton2 = nullptr; // cancel
    std::shared_ptr<zuvi::net::HttpClient> IdHTTP1; // shared with a run in progress
    zuvi::ui::TLabel* Label1 = nullptr;
    zuvi::skin::TssSkinButton* ssSkinButton3 = nullptr; // close cross

    void ssSkinButton1Click(zuvi::ui::TObject* Sender);
    void ssSkinButton2Click(zuvi::ui::TObject* Sender);
    void ssSkinButton3Click(zuvi::ui::TObject* Sender);

    // One restore run, on the worker: every step that touches a window runs on the UI thread,
    // in order, with the worker waiting for it; the request, the reply reading and the pause
    // stay on the worker. Returns when the run has ended (or the program is ending).
    static void RunContactSync(zuvi_Thread* worker);

    zuvi_Thread* FSyncThread = nullptr; // never stopped or freed
    std::atomic<bool>& FSyncRequested; // a restore asked for and not yet finished
};

extern Tsynchronous* synchronous;
