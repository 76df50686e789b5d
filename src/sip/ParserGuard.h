// SIP engine: whether the guard in front of belle-sip's message parser is the one the library calls.
#pragma once

namespace zuvi::sip {

// True when the program's own belle_sip_message_parse_raw (ParserGuard.cpp) takes the library's
// place; false means the executable was linked without exporting it.
bool parserGuardActive();

} // namespace zuvi::sip
