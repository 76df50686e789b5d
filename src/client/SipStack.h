// Calling client: SIP stack set-up, the SIP accounts and the SIP library's event handlers.
#pragma once

#include "sip/Sip.h"

#include <QString>

#include <functional>
#include <string>

// Id of the account added by the last successful AddSipAccount; dialling, hang-up and
// UnregisterSipAccounts work on it.
extern int SipAccountId;
// Id of the last call placed by the call button.
extern int SipCallId;
// Moment the current call was answered (TDateTime: days as a double).
extern double CallStartTime;

// SIP server address ("host[:port]") used for every account and dial string. It is the login
// state's server address: the login form calls SetSipServer whenever it changes, or installs
// a provider once with SetSipServerProvider (the provider then wins).
void SetSipServer(const QString& server);
void SetSipServerProvider(std::function<QString()> provider);
QString SipServer();

// Creates, configures and starts the SIP library once per run; failures are silent.
void InitSipStack();
// Adds an account for user/password on the SIP server; 0 on success (SipAccountId = new id).
int AddSipAccount(const QString& user, const QString& password);
// Up to three adds; on the first success sets the new account online.
void RegisterSipAccount(const QString& user, const QString& password);
// As RegisterSipAccount, but sets account 0 online (the main window's method calls this).
void RegisterLoginAccount(const QString& user, const QString& password);
// Sets SipAccountId offline, waits one second on the calling thread and deletes it; then
// deletes the default account. Returns the status of the last deletion.
int UnregisterSipAccounts();
void DestroySipStack();

// Handlers of the SIP library, called on the SIP worker thread.
void OnCallState(int callId, const zuvi::sip::CallEvent& e);
void OnCallMediaState(int callId);
void OnIncomingCall(int accId, int callId, const zuvi::sip::IncomingData& rdata);
void OnRegState(int accId);
void OnCallTransferStatus(int callId, int statusCode, const std::string& text, bool final, bool* cont);
void OnBuddyState(int buddyId);
void OnPager(int callId, const std::string& from, const std::string& to, const std::string& contact,
    const std::string& mimeType, const std::string& body);
void OnPagerStatus(int callId, const std::string& to, const std::string& body, int status, const std::string& reason);
void OnNatDetect(const zuvi::sip::NatDetectResult& res);

// What OnCallState does: set by the main window. It runs on the SIP
// worker; anything touching the UI must be handed on with zuvi::ui::post. It may call the
// engine (e.g. zuvi::sip::callGetInfo), which then runs directly. Set it before
// InitSipStack and leave it alone while the stack runs.
extern std::function<void(int callId, const zuvi::sip::CallEvent& e)> OnCallStateHook;
