// SIP engine: the user agent and media engine of the softphone (over liblinphone).
//
// The shape follows a pjsua-like C API: create / init / start / destroy, transports,
// codecs, an account table of 8, calls in a table of 4, a conference bridge between the
// calls and the sound device. Every function returns a Status (0 = success) and never
// throws. Calls may come from any thread; they are carried to the engine's own worker
// thread (the SIP worker), which owns the library, and wait there for their result.
// Callbacks run on the SIP worker; a callback that calls back into the engine runs the
// call directly. Text arguments are ANSI (GBK) byte strings.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace zuvi::sip {

using Status = int;

enum : Status {
    Success = 0,
    ENotInit = 70001, // stack not created / initialised / started, or destroyed
    EInvalidState = 70002,
    EInvalidArg = 70003,
    ETooMany = 70004, // account or call table full
    ENotFound = 70005,
    ENotSupported = 70006,
    EAddrInUse = 70007, // a transport's port is taken
    EInvalidUri = 70008,
    EFailed = 70009,
    EBusy = 70010, // destroy called from inside a callback
};

constexpr int InvalidId = -1;
constexpr int MaxAccounts = 8;
constexpr int MaxCalls = 4;

enum class TransportType { Udp = 1,
    Tcp = 2,
    Tls = 3 };

// Invite session states of a call.
enum class InvState { Null = 0,
    Calling,
    Incoming,
    Early,
    Connecting,
    Confirmed,
    Disconnected };

enum class MediaStatus { None = 0,
    Active,
    LocalHold,
    RemoteHold,
    Error };

// Sound-device capabilities that sndSetSetting understands (values as in pjmedia).
enum class AudDevCap : int { InputVolume = 8,
    OutputVolume = 16 };

// What caused a call-state change; minimal.
struct CallEvent {
    int statusCode = 0;
    std::string reason;
};

struct CallInfo {
    int id = InvalidId;
    int accId = InvalidId;
    bool outgoing = true;
    InvState state = InvState::Null;
    std::string stateText;
    int lastStatus = 0;
    std::string lastStatusText;
    int connectDurationMs = 0; // connected time (0 until answered)
    int totalDurationMs = 0; // since the call was created
    MediaStatus mediaStatus = MediaStatus::None;
    int confSlot = InvalidId;
    std::string localUri;
    std::string remoteUri;
};

struct IncomingData {
    std::string fromUri;
    std::string toUri;
};

struct NatDetectResult {
    Status status = Success;
    std::string typeName;
};

struct Callbacks {
    std::function<void(int callId, const CallEvent& e)> onCallState;
    std::function<void(int callId)> onCallMediaState;
    std::function<void(int accId, int callId, const IncomingData& rdata)> onIncomingCall;
    std::function<void(int accId)> onRegState;
    std::function<void(int callId, int statusCode, const std::string& text, bool final, bool* cont)> onCallTransferStatus;
    std::function<void(int buddyId)> onBuddyState;
    std::function<void(int callId, const std::string& from, const std::string& to, const std::string& contact,
        const std::string& mimeType, const std::string& body)>
        onPager;
    std::function<void(int callId, const std::string& to, const std::string& body, int status,
        const std::string& reason)>
        onPagerStatus;
    std::function<void(const NatDetectResult& res)> onNatDetect;
};

struct Config {
    std::string userAgent; // sent as the User-Agent header, exactly
    Callbacks cb;
    bool useSrtp = false; // SRTP is not supported; true makes init fail
    int srtpSecureSignaling = 1;
    unsigned maxCalls = MaxCalls; // at most MaxCalls
    unsigned threadCnt = 1; // the engine always runs one SIP worker
    std::vector<std::string> stunServers; // STUN is not supported; must stay empty
};

struct MediaConfig {
    bool noVad = false;
    bool enableIce = false; // ICE is not supported; must stay false
};

struct TransportConfig {
    unsigned port = 0; // 0: any free port
    std::string publicAddr; // must stay empty
};

struct Credential {
    std::string realm = "*"; // "*" or empty: any realm
    std::string scheme = "Digest";
    std::string username;
    int dataType = 0; // 0: plain-text password (the only kind supported)
    std::string data;
};

struct AccConfig {
    std::string id; // identity, "sip:user@host[:port]"
    std::string regUri; // registrar, "sip:host[:port]"
    unsigned regTimeout = 300; // seconds
    bool registerOnAdd = true;
    bool publishEnabled = false;
    // The engine never rewrites the Contact from what the registrar reports (value true
    // is accepted and treated as false).
    bool allowContactRewrite = true;
    std::vector<Credential> cred;
};

// Online-status record (RPID person element).
struct PresenceRecord {
    int type = 0;
    std::string id;
    int activity = 0;
    std::string note;
};

struct CallSetting {
    unsigned flag = 0;
    unsigned audCnt = 1;
    unsigned vidCnt = 0; // video is not supported; must stay 0
};

struct CodecInfo {
    std::string codecId; // "speex/16000/1", "GSM/8000/1", "PCMU/8000/1", ...
    int priority = 0; // 0: disabled
};

struct AudioDevInfo {
    std::string name;
    std::string driver;
    unsigned inputCount = 0;
    unsigned outputCount = 0;
};

// Defaults, as the pjsua *_default functions give them.
Config configDefault();
MediaConfig mediaConfigDefault();
TransportConfig transportConfigDefault();
AccConfig accConfigDefault();
CallSetting callSettingDefault();

// Lifecycle.
Status create();
// While held, the module that the first create() opens waits before it loads (posted jobs wait
// with it): its load holds the dynamic loader's lock for tens of milliseconds, and every dlopen
// and dlsym of other threads waits behind it. A call that needs the module ends the hold.
void holdModuleLoad();
void releaseModuleLoad();
Status init(const Config& cfg, const MediaConfig* mediaCfg = nullptr);
Status start();
Status destroy();
// Queues job on the SIP worker behind the calls already waiting and returns at once; engine
// calls made inside job run directly, and calls made later from other threads wait for it.
Status post(std::function<void()> job);
// Runs job on the SIP worker and waits for it (on the worker itself, at once): its engine calls
// run one after the other, with no reply or timer of the library handled between them.
// ENotInit, and job not run, when there is no engine.
Status run(const std::function<void()>& job);

// Transports. TLS is never available.
Status transportCreate(TransportType type, const TransportConfig& cfg, int* transportId = nullptr);
// Local port actually bound for a transport type (0 when none).
Status transportGetPort(TransportType type, unsigned* port);

// Codecs, highest priority first (disabled ones last). max 0 means all.
Status enumCodecs(std::vector<CodecInfo>* codecs, unsigned max = 0);
Status codecSetPriority(const std::string& codecId, std::uint8_t priority);

// Accounts: ids 0 to 7, an add takes the lowest free id.
Status accAdd(const AccConfig& cfg, bool isDefault, int* accId);
Status accDel(int accId);
bool accIsValid(int accId);
int accGetDefault();
unsigned accGetCount();
Status accSetOnlineStatus(int accId, bool online);
Status accSetOnlineStatus2(int accId, bool online, const PresenceRecord& pr);

Status verifySipUrl(const std::string& url);

// Calls: ids 0 to 3.
Status callMakeCall(int accId, const std::string& dstUri, const CallSetting* opt, int* callId);
// code 0: CANCEL a ringing outgoing call, BYE an answered one, 603 an unanswered incoming one.
Status callHangup(int callId, unsigned code = 0, const std::string* reason = nullptr);
Status callGetInfo(int callId, CallInfo* info);
bool callIsActive(int callId);
unsigned callGetCount();

// Conference bridge: slot 0 is the sound device, a call's slot is in its CallInfo.
Status confConnect(int source, int sink);
Status confDisconnect(int source, int sink);
Status confAdjustTxLevel(int slot, float level); // level 1.0: unchanged, 0: muted
Status confAdjustRxLevel(int slot, float level);

// Sound device settings; value in percent for the volume capabilities. keep: applied
// again whenever the sound device is reopened (every new call).
Status sndSetSetting(AudDevCap cap, int value, bool keep);
Status sndGetSetting(AudDevCap cap, int* value);
// True when calls run on files instead of a sound card.
bool usesFileAudio();

Status enumAudioDevices(std::vector<AudioDevInfo>* devices);

// What the library holds at the moment, for checks and benchmarks: its calls, its call logs,
// and its live objects (belle-sip's count, which includes the library's C objects; -1 unless
// ZUVI_SIP_COUNT_OBJECTS=1 was set before the first create(), as the count slows every object).
struct LibraryHoldings {
    int calls = 0;
    int callLogs = 0;
    int objects = -1;
};
Status libraryHoldings(LibraryHoldings* holdings);

} // namespace zuvi::sip
