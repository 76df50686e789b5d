// SIP engine: the table of operations the engine module exports to the program's loader.
#pragma once

#include "Sip.h"

// X(result, name, value when no engine, (parameters), (arguments)) for every operation the
// loader forwards as it is; create and post are forwarded by hand, and the parser guard's check
// is the loader's own (ParserGuard.h).
#define ZUVI_SIP_FORWARDED(X)                                                                                  \
    X(Status, init, ENotInit, (const Config& cfg, const MediaConfig* mediaCfg), (cfg, mediaCfg))               \
    X(Status, start, ENotInit, (), ())                                                                         \
    X(Status, destroy, ENotInit, (), ())                                                                       \
    X(Status, transportCreate, ENotInit, (TransportType type, const TransportConfig& cfg, int* transportId),   \
        (type, cfg, transportId))                                                                              \
    X(Status, transportGetPort, ENotInit, (TransportType type, unsigned* port), (type, port))                  \
    X(Status, enumCodecs, ENotInit, (std::vector<CodecInfo> * codecs, unsigned max), (codecs, max))            \
    X(Status, codecSetPriority, ENotInit, (const std::string& codecId, std::uint8_t priority),                 \
        (codecId, priority))                                                                                   \
    X(Status, accAdd, ENotInit, (const AccConfig& cfg, bool isDefault, int* accId), (cfg, isDefault, accId))   \
    X(Status, accDel, ENotInit, (int accId), (accId))                                                          \
    X(bool, accIsValid, false, (int accId), (accId))                                                           \
    X(int, accGetDefault, InvalidId, (), ())                                                                   \
    X(unsigned, accGetCount, 0u, (), ())                                                                       \
    X(Status, accSetOnlineStatus, ENotInit, (int accId, bool online), (accId, online))                         \
    X(Status, accSetOnlineStatus2, ENotInit, (int accId, bool online, const PresenceRecord& pr),               \
        (accId, online, pr))                                                                                   \
    X(Status, verifySipUrl, ENotInit, (const std::string& url), (url))                                         \
    X(Status, callMakeCall, ENotInit, (int accId, const std::string& dstUri, const CallSetting* opt, int* id), \
        (accId, dstUri, opt, id))                                                                              \
    X(Status, callHangup, ENotInit, (int callId, unsigned code, const std::string* reason),                    \
        (callId, code, reason))                                                                                \
    X(Status, callGetInfo, ENotInit, (int callId, CallInfo* info), (callId, info))                             \
    X(bool, callIsActive, false, (int callId), (callId))                                                       \
    X(unsigned, callGetCount, 0u, (), ())                                                                      \
    X(Status, confConnect, ENotInit, (int source, int sink), (source, sink))                                   \
    X(Status, confDisconnect, ENotInit, (int source, int sink), (source, sink))                                \
    X(Status, confAdjustTxLevel, ENotInit, (int slot, float level), (slot, level))                             \
    X(Status, confAdjustRxLevel, ENotInit, (int slot, float level), (slot, level))                             \
    X(Status, sndSetSetting, ENotInit, (AudDevCap cap, int value, bool keep), (cap, value, keep))              \
    X(Status, sndGetSetting, ENotInit, (AudDevCap cap, int* value), (cap, value))                              \
    X(bool, usesFileAudio, false, (), ())                                                                      \
    X(Status, enumAudioDevices, ENotInit, (std::vector<AudioDevInfo> * devices), (devices))                    \
    X(Status, libraryHoldings, ENotInit, (LibraryHoldings * holdings), (holdings))                             \
    X(Status, run, ENotInit, (const std::function<void()>& job), (job))

namespace zuvi::sip {

struct EngineApi {
    Status (*create)();
    Status (*post)(std::function<void()> job);
    bool (*messageParserGuarded)();
#define ZUVI_SIP_FIELD(result, name, none, params, args) result(*name) params;
    ZUVI_SIP_FORWARDED(ZUVI_SIP_FIELD)
#undef ZUVI_SIP_FIELD
};

} // namespace zuvi::sip

// The module's one exported symbol.
extern "C" const zuvi::sip::EngineApi* zuvi_sip_engine_api();
