// Main window: number check, dial string and the hand-over of call events to the UI thread.
#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <string>

// True when the text (in the ANSI code page) starts, after leading blanks, with a digit, ends
// with a digit and holds only digits, blanks and "-" in between. Callers reject an empty text.
bool IsValidPhoneNumber(const QString& text);

// The digits '0' to '9' of the dial text (ANSI code page), in order; everything else dropped.
std::string DialDigits(const QString& dialText);

// "<sip:" + digits + "@" + server + ">" (ANSI bytes).
std::string DialUri(const QString& dialText, const QString& server);

// Effects of the SIP library's call events, run on the UI thread in the order they arrive.
// While a Hold is alive (the call and hang-up buttons' handlers), effects wait in a list and
// run, still in order, when the outermost Hold ends.
class CallEventGate {
public:
    class Hold {
    public:
        explicit Hold(CallEventGate& gate);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CallEventGate& m_gate;
    };

    // UI thread only.
    void deliver(std::function<void()> effect);
    bool held() const { return m_holds > 0; }
    size_t pending() const { return m_pending.size(); }

private:
    void release();
    int m_holds = 0;
    bool m_releasing = false;
    std::deque<std::function<void()>> m_pending;
};
