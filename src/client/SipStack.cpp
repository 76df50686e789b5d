// Calling client: SIP stack set-up, the SIP accounts, calls and volumes, and the call-state changes.
#include "SipStack.h"

#include "platform/os/codepage.h"
#include "platform/audio/Wave.h"
#include "sip/Sip.h"

#include <chrono>
#include <mutex>
#include <thread>

namespace sip = zuvi::sip;

int SipAccountId = 0;
int SipCallId = 0;
double CallStartTime = 0.0;

std::function<void(const CallStateChange&)> OnCallStateChange;

// Handlers of the SIP library, called on the SIP worker thread.
void OnCallState(int callId, const sip::CallEvent& e);
void OnCallMediaState(int callId);
void OnIncomingCall(int accId, int callId, const sip::IncomingData& rdata);
void OnRegState(int accId);
void OnCallTransferStatus(int callId, int statusCode, const std::string& text, bool final, bool* cont);
void OnBuddyState(int buddyId);
void OnPager(int callId, const std::string& from, const std::string& to, const std::string& contact,
    const std::string& mimeType, const std::string& body);
void OnPagerStatus(int callId, const std::string& to, const std::string& body, int status, const std::string& reason);
void OnNatDetect(const sip::NatDetectResult& res);

namespace {

std::mutex g_serverMutex;
QString g_server;
std::function<QString()> g_serverProvider;

std::string ansi(const QString& text)
{
    QByteArray bytes = zuvi::os::toAnsi(text);
    return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

void createTransport(sip::TransportType type, unsigned port)
{
    sip::TransportConfig cfg = sip::transportConfigDefault();
    cfg.publicAddr.clear();
    cfg.port = port;
    int id = -1;
    if (sip::transportCreate(type, cfg, &id) != sip::Success) {
        cfg.port = 0;
        sip::transportCreate(type, cfg, &id);
    }
}

// The account AddSipAccount adds, read here: the SIP server may come from a window's data.
sip::AccConfig AccountConfig(const QString& user, const QString& password)
{
    const std::string server = ansi(SipServer());
    sip::AccConfig cfg = sip::accConfigDefault();
    cfg.id = "sip:" + ansi(user) + "@" + server;
    cfg.regUri = "sip:" + server;
    cfg.regTimeout = 3600;
    cfg.publishEnabled = true;
    cfg.allowContactRewrite = false;
    sip::Credential cred;
    cred.realm = "*";
    cred.scheme = "Digest";
    cred.username = ansi(user);
    cred.dataType = 0;
    cred.data = ansi(password);
    cfg.cred = {cred};
    return cfg;
}

int AddAccount(const sip::AccConfig& cfg)
{
    int id = SipAccountId;
    sip::Status st = sip::accAdd(cfg, false, &id);
    if (st == sip::Success)
        SipAccountId = id;
    return st;
}

// The add-and-set-online of RegisterSipAccount; `onlineId` < 0 means the account just added.
// One job of the SIP worker, as the call in PlaceCall: the library handles no reply or timer
// between its steps, and the call button's INVITE does not wait behind the registration's
// challenge. Without a stack nothing runs, as every engine call would report.
void registerAccount(const QString& user, const QString& password, int onlineId)
{
    const sip::AccConfig cfg = AccountConfig(user, password);
    sip::run([&] {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (AddAccount(cfg) == sip::Success) {
                sip::PresenceRecord pr; // person, no id, no activity, no note
                sip::accSetOnlineStatus2(onlineId < 0 ? SipAccountId : onlineId, true, pr);
                return;
            }
        }
    });
}

} // namespace

void SetSipServer(const QString& server)
{
    std::lock_guard l(g_serverMutex);
    g_server = server;
}

void SetSipServerProvider(std::function<QString()> provider)
{
    std::lock_guard l(g_serverMutex);
    g_serverProvider = std::move(provider);
}

QString SipServer()
{
    std::function<QString()> provider;
    {
        std::lock_guard l(g_serverMutex);
        if (!g_serverProvider)
            return g_server;
        provider = g_serverProvider;
    }
    return provider();
}

namespace {

// Configures and starts the created stack: init, start, the codec ranking and the transports.
void ConfigureSipStack()
{
    sip::Config cfg = sip::configDefault();
    cfg.userAgent = "d.c";
    cfg.cb.onCallState = OnCallState;
    cfg.cb.onCallMediaState = OnCallMediaState;
    cfg.cb.onIncomingCall = OnIncomingCall;
    cfg.cb.onRegState = OnRegState;
    cfg.cb.onCallTransferStatus = OnCallTransferStatus;
    cfg.cb.onBuddyState = OnBuddyState;
    cfg.cb.onPager = OnPager;
    cfg.cb.onPagerStatus = OnPagerStatus;
    cfg.cb.onNatDetect = OnNatDetect;
    cfg.useSrtp = false;
    cfg.srtpSecureSignaling = 0;
    cfg.stunServers.clear();
    sip::MediaConfig media = sip::mediaConfigDefault();
    media.noVad = false;
    media.enableIce = false;

    // A stack that fails here stays unstarted: every later call reports it, DestroySipStack ends it.
    // The library's core looks for sound cards through ALSA while the windows, on the UI thread,
    // may be listing the wave devices.
    {
        auto alsa = zuvi::audio::LockAlsa();
        if (sip::init(cfg, &media) != sip::Success || sip::start() != sip::Success)
            return;
    }

    // The four codecs ranked highest are never offered.
    std::vector<sip::CodecInfo> codecs;
    sip::enumCodecs(&codecs, 4);
    for (const sip::CodecInfo& c : codecs)
        sip::codecSetPriority(c.codecId, 0);

    createTransport(sip::TransportType::Udp, 5060);
    createTransport(sip::TransportType::Tcp, 5060);
    createTransport(sip::TransportType::Tls, 5061);
}

} // namespace

void InitSipStack()
{
    if (sip::create() != sip::Success)
        return;
    // The library's core is built on the SIP worker once the module has loaded (the program
    // holds the load until its windows are up); the next engine call waits behind it.
    sip::post(ConfigureSipStack);
}

void HoldSipLoad() { sip::holdModuleLoad(); }

void ReleaseSipLoad() { sip::releaseModuleLoad(); }

int AddSipAccount(const QString& user, const QString& password) { return AddAccount(AccountConfig(user, password)); }

void RegisterSipAccount(const QString& user, const QString& password) { registerAccount(user, password, -1); }

void RegisterLoginAccount(const QString& user, const QString& password) { registerAccount(user, password, 0); }

int UnregisterSipAccounts()
{
    int status = sip::Success;
    if (sip::accIsValid(SipAccountId)) {
        sip::accSetOnlineStatus(SipAccountId, false);
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        status = sip::accDel(SipAccountId);
    }
    int def = sip::accGetDefault();
    if (sip::accIsValid(def))
        status = sip::accDel(def);
    return status;
}

void DestroySipStack() { sip::destroy(); }

bool PlaceCall(const std::string& uri)
{
    sip::Status st = sip::ENotInit;
    sip::run([&] {
        st = sip::verifySipUrl(uri);
        if (st == sip::Success) {
            sip::CallSetting setting = sip::callSettingDefault();
            setting.flag = 0;
            setting.vidCnt = 0;
            const int account = sip::accIsValid(SipAccountId) ? SipAccountId : 0;
            st = sip::callMakeCall(account, uri, &setting, &SipCallId);
        }
    });
    return st == sip::Success;
}

void HangUpCall() { sip::callHangup(SipCallId, 0, nullptr); }

// Queued: nobody reads the result, and the engine calls after them find the level set.
void SetSpeakerVolume(int position)
{
    sip::post([level = position * 10] { sip::sndSetSetting(sip::AudDevCap::OutputVolume, level, true); });
}

void SetMicrophoneVolume(int position)
{
    sip::post([level = position * 10] { sip::sndSetSetting(sip::AudDevCap::InputVolume, level, true); });
}

// Only an answered or an ended call is reported, with the state the engine holds now.
void OnCallState(int callId, const sip::CallEvent&)
{
    if (!OnCallStateChange)
        return;
    sip::CallInfo info;
    if (sip::callGetInfo(callId, &info) != sip::Success)
        return;
    if (info.state != sip::InvState::Confirmed && info.state != sip::InvState::Disconnected)
        return;
    CallStateChange c;
    c.callId = callId;
    c.state = info.state == sip::InvState::Confirmed ? CallStateChange::State::Answered : CallStateChange::State::Ended;
    c.lastStatus = info.lastStatus;
    c.connectSeconds = info.connectDurationMs / 1000;
    OnCallStateChange(c);
}

// Connects an active call's audio with the sound device both ways; any other media status
// disconnects it. Touches the engine only.
void OnCallMediaState(int callId)
{
    sip::CallInfo info;
    if (sip::callGetInfo(callId, &info) != sip::Success)
        return;
    if (info.mediaStatus == sip::MediaStatus::Active) {
        sip::confConnect(info.confSlot, 0);
        sip::confConnect(0, info.confSlot);
    } else {
        sip::confDisconnect(info.confSlot, 0);
        sip::confDisconnect(0, info.confSlot);
    }
}

// Neither answered nor rejected: the call stays pending until its caller gives up.
void OnIncomingCall(int, int, const sip::IncomingData&) { }

void OnRegState(int) { }

void OnCallTransferStatus(int, int, const std::string&, bool, bool*) { }

void OnBuddyState(int) { }

void OnPager(int, const std::string&, const std::string&, const std::string&, const std::string&,
    const std::string&)
{
}

void OnPagerStatus(int, const std::string&, const std::string&, int, const std::string&) { }

void OnNatDetect(const sip::NatDetectResult&) { }
