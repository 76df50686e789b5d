// Calling client: SIP stack set-up, the SIP accounts, calls and volumes, and the call-state changes.
// The windows reach the SIP engine only through this interface.
#pragma once

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

// Creates, configures and starts the SIP library once per run; failures are silent. Returns once
// the stack exists: its configuration runs on the SIP worker, and later calls wait for it.
void InitSipStack();
// The SIP library's load waits from HoldSipLoad until ReleaseSipLoad (or until a call needs it):
// while it loads, other threads' dlopen and dlsym, and new threads, wait behind it.
void HoldSipLoad();
void ReleaseSipLoad();
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

// Places a call to the dial URI ("<sip:digits@server>") from the account SipAccountId (account 0
// when that is not valid), without video; SipCallId is the new call. False when the engine
// refuses the URI or the call.
bool PlaceCall(const std::string& uri);
// Hangs up the call SipCallId.
void HangUpCall();
// The slider positions 0 to 10 as the sound device's output and input volume (0 to 100).
void SetSpeakerVolume(int position);
void SetMicrophoneVolume(int position);

// A call answered, or ended with its last SIP status and the seconds it was connected.
struct CallStateChange {
    enum class State { Answered,
        Ended };
    int callId = -1;
    State state = State::Ended;
    int lastStatus = 0;
    int connectSeconds = 0;
};

// What the SIP set-up does when a call is answered or ends: set by the main window. It runs on
// the SIP worker; anything touching the UI must be handed on with zuvi::ui::post. Set it before
// InitSipStack and leave it alone while the stack runs.
extern std::function<void(const CallStateChange& change)> OnCallStateChange;
