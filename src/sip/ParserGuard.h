// SIP engine: whether the guards in front of belle-sip's message parser are the ones the library calls.
#pragma once

namespace zuvi::sip {

// True when both guards take the library's place: the program's sscanf (StartLineGuard.cpp) and
// the engine module's belle_sip_message_parse_raw (ParserGuard.cpp). Loads the engine module if
// it is not loaded yet; false also when it cannot be loaded.
bool parserGuardActive();

// The program's side: its sscanf is exported, so the library finds it before libc's.
bool startLineGuardActive();

// The module's side: the library's lookup of its parser finds the module's guard.
bool messageParserGuarded();

// How the message parser guard learns whether the library holds a call of a Call-ID, to drop
// CANCELs for none: set by the engine while its core lives, null without one (CANCELs then go
// through). Set and called on the SIP worker only.
void setCallLookup(bool (*hasCall)(void* context, const char* callId), void* context);

} // namespace zuvi::sip
