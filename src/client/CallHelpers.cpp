// Main window: number check, dial string and the hand-over of call events to the UI thread.
#include "CallHelpers.h"

#include "platform/os/codepage.h"
#include "platform/ui/Forms.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

bool IsValidPhoneNumber(const QString& text)
{
    const QByteArray s = zuvi::os::toAnsi(text);
    const qsizetype n = s.size();
    if (n == 0)
        return false;
    qsizetype p = 0;
    while (p < n && s[p] == ' ')
        ++p;
    if (p == n)
        p = 0;
    if (!isDigit(s[p]) || !isDigit(s[n - 1]))
        return false;
    for (qsizetype i = p + 1; i < n - 1; ++i) {
        const char c = s[i];
        if (!isDigit(c) && c != ' ' && c != '-')
            return false;
    }
    return true;
}

std::string DialDigits(const QString& dialText)
{
    const QByteArray s = zuvi::os::toAnsi(dialText);
    std::string digits;
    for (char c : s)
        if (isDigit(c))
            digits += c;
    return digits;
}

std::string DialUri(const QString& dialText, const QString& server)
{
    const QByteArray host = zuvi::os::toAnsi(server);
    return "<sip:" + DialDigits(dialText) + "@" + std::string(host.constData(), size_t(host.size())) + ">";
}

CallEventGate::Hold::Hold(CallEventGate& gate)
    : m_gate(gate)
{
    ++m_gate.m_holds;
}

CallEventGate::Hold::~Hold()
{
    if (--m_gate.m_holds == 0)
        m_gate.release();
}

void CallEventGate::deliver(std::function<void()> effect)
{
    if (m_holds > 0 || m_releasing || !m_pending.empty()) {
        m_pending.push_back(std::move(effect));
        if (m_holds == 0)
            release();
        return;
    }
    zuvi::ui::Guard(effect);
}

void CallEventGate::release()
{
    if (m_releasing)
        return;
    m_releasing = true;
    // An escaping error is reported like any other event's (message box) and the rest still
    // run; effects delivered meanwhile join the end of the list.
    while (!m_pending.empty() && m_holds == 0) {
        std::function<void()> fn = std::move(m_pending.front());
        m_pending.pop_front();
        zuvi::ui::Guard(fn);
    }
    m_releasing = false;
}
