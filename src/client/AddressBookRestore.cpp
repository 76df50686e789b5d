// Address-book restore dialog and its worker thread: the service's contacts merged into the contact list.
#include "client/AddressBookRestore.h"

#include "client/RestoreNotice.h"
#include "client/MainWindow.h"
#include "client/LoginForm.h"
#include "client/core/AccountFiles.h"
#include "client/core/ContactMerge.h"
#include "platform/net/HttpClient.h"
#include "platform/net/ServiceApi.h"
#include "platform/ui/Handoff.h"
#include "platform/ui/Layout.h"
#include "skin/SSButton.h"
#include "skin/SSForm.h"

#include <chrono>
#include <exception>
#include <functional>
#include <thread>

using namespace zuvi::ui;
using zuvi::client::RestoreReply;

Tsynchronous* synchronous = nullptr;

// Worker --------------------------------------------------------------------------------------

zuvi_Thread::zuvi_Thread(bool CreateSuspended)
{
    if (!CreateSuspended)
        Start();
}

void zuvi_Thread::Start()
{
    bool expected = false;
    if (m_started.compare_exchange_strong(expected, true))
        std::thread([this] { Execute(); }).detach();
}

void zuvi_Thread::Resume()
{
    if (!m_started.load()) {
        Start();
        return;
    }
    // Taking the lock orders the flag set before it against the worker's check under the lock,
    // so a request made just before the worker waits is not missed.
    {
        std::lock_guard lock(m_mutex);
    }
    m_wake.notify_one();
}

void zuvi_Thread::Execute()
{
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_request.load(); });
        }
        if (!m_abandoned.load())
            Tsynchronous::RunContactSync(this);
        m_request.store(false);
    }
}

// Restore run ---------------------------------------------------------------------------------

namespace {

// Runs a step on the UI thread and waits for it. False when it did not run because the dialog
// or the application is gone; an exception of the step is rethrown here.
bool OnUiThread(zuvi_Thread* worker, const std::function<void()>& step)
{
    if (worker->Abandoned())
        return false;
    bool ran = false;
    send([&] {
        if (worker->Abandoned())
            return;
        step();
        ran = true;
    });
    return ran;
}

// The account's "contact" file, with its folder and an empty file created when missing.
QString ContactFilePath()
{
    const zuvi::client::AccountFiles files(Form1->Label1->Caption());
    return files.prepare(files.contacts());
}

void ShowNotice(int state)
{
    if (!Synstatus)
        return;
    Synstatus->Show();
    Synstatus->ShowSyncStatus(state);
}

} // namespace

void Tsynchronous::RunContactSync(zuvi_Thread* worker)
{
    try {
        if (!OnUiThread(worker, [] { Form1->ValueListEditor1->Strings()->LoadFromFile(ContactFilePath()); }))
            return;
        if (!OnUiThread(worker, [] { synchronous->Close(); }))
            return;
        if (!OnUiThread(worker, [] { ShowNotice(0); }))
            return;

        QString url;
        std::shared_ptr<zuvi::net::HttpClient> http;
        if (!OnUiThread(worker, [&] {
                url = zuvi::net::ServiceApi::RestoreAddresBook(Form2 ? Form2->frxComboBox1->Text() : QString(),
                    Form2 ? Form2->FHamc : QString());
                http = synchronous->IdHTTP1;
            }))
            return;
        RestoreReply reply;
        try {
            reply = zuvi::client::readRestoreReply(http->get(url));
        } catch (const zuvi::net::TransportError&) {
            reply.outcome = RestoreReply::Outcome::Unreadable;
        }
        // A run that cannot read the reply ends in the failed state too, so that the notice
        // always ends with its OK button.
        if (reply.outcome != RestoreReply::Outcome::Contacts) {
            OnUiThread(worker, [] { ShowNotice(2); });
            return;
        }

        if (!OnUiThread(worker, [&] {
                TValueListEditor* list = Form1->ValueListEditor1;
                for (const auto& c : zuvi::client::contactsToAppend(list->Strings()->ToList(), reply.contacts))
                    list->InsertRow(c.name, c.number, true);
            }))
            return;
        if (!OnUiThread(worker, [] { Form1->SortContacts(Form1->ValueListEditor1); }))
            return;
        if (!OnUiThread(worker, [] { SaveContactFile(); }))
            return;
        if (!OnUiThread(worker, [] {
                if (Synstatus)
                    Synstatus->Show();
            }))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        OnUiThread(worker, [] {
            if (Synstatus)
                Synstatus->ShowSyncStatus(1);
        });
    } catch (...) {
        // A step that failed (a file that cannot be read or written) is reported like any
        // error of the UI thread, and the run ends as failed.
        post([error = std::current_exception()] { std::rethrow_exception(error); });
        try {
            OnUiThread(worker, [] { ShowNotice(2); });
        } catch (...) {
        }
    }
}

// Dialog --------------------------------------------------------------------------------------

Tsynchronous::Tsynchronous(TComponent* Owner)
    : TForm(Owner)
    , IdHTTP1(std::make_shared<zuvi::net::HttpClient>(zuvi::net::HttpClient::Kind::Browser))
    , FSyncThread(new zuvi_Thread(true))
    , FSyncRequested(FSyncThread->Request())
{
    FormBinding b;
    b.field("ssSkinForm1", ssSkinForm1)
        .field("ssSkinButton1", ssSkinButton1)
        .field("ssSkinButton2", ssSkinButton2)
        .field("Label1", Label1)
        .field("ssSkinButton3", ssSkinButton3);
    b.handler("ssSkinButton1Click", this, &Tsynchronous::ssSkinButton1Click)
        .handler("ssSkinButton2Click", this, &Tsynchronous::ssSkinButton2Click)
        .handler("ssSkinButton3Click", this, &Tsynchronous::ssSkinButton3Click);
    LoadFormLayout(this, QStringLiteral("AddressBookRestore.form"), b);
    FSyncRequested.store(false);
}

Tsynchronous::~Tsynchronous()
{
    // The worker lives on with the process; a run in progress stops at its next step.
    FSyncThread->Abandon();
    if (synchronous == this)
        synchronous = nullptr;
}

void Tsynchronous::ssSkinButton1Click(TObject*)
{
    FSyncRequested.store(true);
    FSyncThread->Resume();
}

void Tsynchronous::ssSkinButton2Click(TObject*) { Close(); }

void Tsynchronous::ssSkinButton3Click(TObject*) { Close(); }
