// SIP engine: the program's sscanf, which gives belle-sip's start-line search only the line it reads.
//
// belle-sip's channel looks for a message's start line by trying three sscanf patterns at every
// offset of its buffer, and each sscanf measures the whole rest of the buffer first: 64 KB of
// junk from one peer kept the SIP worker busy for tens of seconds (and the UI thread waiting on
// it). The program exports this definition (CMake adds --export-dynamic-symbol to every program
// linking zuvi_sip): the engine module's libraries resolve their references in the global scope
// first, where the program precedes libc. Every other sscanf goes to glibc's vsscanf unchanged.
#include "ParserGuard.h"

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace {

// The channel's start-line patterns; nothing else in the process uses them.
bool startLinePattern(const char* format)
{
    return format && (std::strcmp(format, "SIP/2.0 %d ") == 0 || std::strcmp(format, "HTTP/1.%*i %d ") == 0 || std::strcmp(format, "%16s %*s %9s\r\n") == 0);
}

} // namespace

extern "C" __attribute__((visibility("default"))) int __isoc99_sscanf(const char* s, const char* format, ...)
{
    std::va_list args;
    va_start(args, format);
    int n;
    if (startLinePattern(format)) {
        // The start line, up to its line end (a start line longer than this is no SIP).
        char line[2048];
        size_t len = strnlen(s, sizeof line - 1);
        if (const void* eol = std::memchr(s, '\n', len))
            len = size_t(static_cast<const char*>(eol) - s) + 1;
        std::memcpy(line, s, len);
        line[len] = '\0';
        n = std::vsscanf(line, format, args);
    } else {
        n = std::vsscanf(s, format, args);
    }
    va_end(args);
    return n;
}

namespace zuvi::sip {

bool startLineGuardActive()
{
    return dlsym(RTLD_DEFAULT, "__isoc99_sscanf") == reinterpret_cast<void*>(&__isoc99_sscanf);
}

} // namespace zuvi::sip
