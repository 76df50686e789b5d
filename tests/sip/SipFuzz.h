// SIP tests: a small generator of malformed SIP messages (mutations of well-formed ones) for a UA's port.
//
// Every URI it writes names 127.0.0.1 with the sender's port and stays whole (mutations work on
// lines, header values without addresses, line ends, lengths and bodies, and junk never holds ':', '@' or '.'), so nothing
// the target answers or resolves leaves the loopback interface.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace zuvi::test {

class SipFuzzer {
public:
    SipFuzzer(std::uint32_t seed, unsigned targetPort, unsigned sourcePort)
        : m_rng(seed)
        , m_target(std::to_string(targetPort))
        , m_source(std::to_string(sourcePort))
    { }

    // The next message: one datagram, or what one TCP connection sends before it closes.
    std::string next()
    {
        ++m_n;
        if (pick(12) == 0)
            return rawJunk();
        std::string body;
        std::vector<std::string> lines = base(body);
        unsigned mutations = 1 + pick(4);
        for (unsigned i = 0; i < mutations; ++i)
            mutate(lines, body);
        return join(lines, body);
    }

private:
    unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(m_rng); }

    std::string id() const { return "fz" + std::to_string(m_n); }

    std::vector<std::string> base(std::string& body)
    {
        const std::string me = "127.0.0.1:" + m_source, uri = "sip:80001@127.0.0.1:" + m_target;
        const std::string via = "Via: SIP/2.0/UDP " + me + ";branch=z9hG4bK" + id() + ";rport";
        const std::string from = "From: <sip:13900000009@" + me + ">;tag=t" + id(), to = "To: <sip:80001@127.0.0.1>";
        static const char* methods[] = {"INVITE", "OPTIONS", "MESSAGE", "BYE", "ACK", "CANCEL", "INFO", "NOTIFY", "UPDATE", "PRACK"};
        static const char* statuses[] = {"SIP/2.0 200 OK", "SIP/2.0 180 Ringing", "SIP/2.0 401 Unauthorized",
            "SIP/2.0 487 Request Terminated", "SIP/2.0 100 Trying", "SIP/2.0 603 Decline"};
        std::vector<std::string> l;
        bool response = pick(3) == 0;
        const char* method = methods[pick(std::size(methods))];
        if (response)
            l.push_back(statuses[pick(std::size(statuses))]);
        else
            l.push_back(std::string(method) + " " + uri + " SIP/2.0");
        l.push_back(via);
        l.push_back("Max-Forwards: 70");
        l.push_back(from);
        l.push_back(to + (response ? ";tag=r" + id() : std::string()));
        l.push_back("Call-ID: " + id());
        l.push_back("CSeq: " + std::to_string(1 + pick(3)) + " " + (response ? "INVITE" : method));
        l.push_back("Contact: <sip:13900000009@" + me + ">");
        if (response && pick(2) == 0)
            l.push_back("WWW-Authenticate: Digest realm=\"zuvi\", nonce=\"" + id() + "\", algorithm=MD5");
        bool text = std::string(method) == "MESSAGE" && !response;
        l.push_back(text ? "Content-Type: text/plain" : "Content-Type: application/sdp");
        l.push_back("Content-Length: 0"); // set to the body's length in join()
        body = text ? "hello" : sdp();
        return l;
    }

    std::string sdp() const
    {
        return "v=0\r\no=- 1 1 IN IP4 127.0.0.1\r\ns=-\r\nc=IN IP4 127.0.0.1\r\nt=0 0\r\n"
               "m=audio 40000 RTP/AVP 0 3 8\r\na=rtpmap:0 PCMU/8000\r\n";
    }

    // Printable and control bytes, never ':', '@' or '.': junk cannot spell a host or URI.
    std::string junk(size_t n)
    {
        static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                                            " \t;=,\"<>/\\%[]{}()*+-_!?#$&'|~^\r\n";
        std::string s(n, 'A');
        for (char& c : s)
            c = pick(50) == 0 ? char(pick(32)) : alphabet[pick(unsigned(alphabet.size()))];
        for (char& c : s)
            if (c == ':' || c == '@' || c == '.')
                c = '_';
        return s;
    }

    size_t length()
    {
        static const size_t sizes[] = {0, 1, 2, 10, 100, 600, 1500, 4000, 20000, 33000, 65000};
        size_t s = sizes[pick(std::size(sizes))];
        return s ? s / 2 + pick(unsigned(s)) : 0;
    }

    std::string rawJunk()
    {
        // The datagrams of the first crash found, and junk with or without line ends.
        switch (pick(4)) {
        case 0:
            return "SIP/2.0 200 OK\r\n\r\n";
        case 1:
            return std::string(length() + 1, 'A');
        case 2:
            return "\r\n\r\n";
        default:
            return junk(length() + 1);
        }
    }

    static bool holdsAddress(const std::string& line)
    {
        return line.find("sip:") != std::string::npos || line.find("127.0.0.1") != std::string::npos;
    }

    void mutate(std::vector<std::string>& l, std::string& body)
    {
        size_t i = pick(unsigned(l.size()));
        switch (pick(14)) {
        case 0: // drop a line (the start line too)
            l.erase(l.begin() + long(i));
            if (l.empty())
                l.push_back("");
            break;
        case 1: // repeat a line
            l.insert(l.begin() + long(i), 1 + pick(pick(2) ? 3 : 60), l[i]);
            break;
        case 2: // swap two lines
            std::swap(l[i], l[pick(unsigned(l.size()))]);
            break;
        case 3: // a header with a junk value
            l.insert(l.begin() + long(i), headerName() + ": " + junk(length()));
            break;
        case 4: // a junk header name
            l.insert(l.begin() + long(i), junk(1 + pick(40)) + ": " + junk(pick(40)));
            break;
        case 5: // bytes changed in a line without a URI
            if (!holdsAddress(l[i]) && !l[i].empty())
                for (unsigned k = 0, n = 1 + pick(4); k < n; ++k)
                    l[i][pick(unsigned(l[i].size()))] = junk(1)[0];
            break;
        case 6: { // a length that lies
            static const char* lengths[] = {"-1", "0", "1", "99999", "4294967296", "999999999999999999999", "abc", "", " 12 ", "0x10"};
            l.insert(l.begin() + long(i), std::string("Content-Length: ") + lengths[pick(std::size(lengths))]);
            m_keepLength = true;
            break;
        }
        case 7: // another body
            body = pick(3) == 0 ? std::string(length(), char(pick(256))) : junk(length());
            break;
        case 8: { // another content type
            static const char* types[] = {"multipart/mixed", "multipart/mixed;boundary=", "multipart/mixed;boundary=zz",
                "multipart/related; boundary=\"zz\"", "application/pidf+xml", "message/sipfrag", "text/plain;charset=",
                "application/sdp;;;", "/", "multipart"};
            l.insert(l.begin() + long(i), std::string("Content-Type: ") + types[pick(std::size(types))]);
            if (pick(2))
                body = "--zz\r\nContent-Type: text/plain\r\n\r\n" + junk(pick(200)) + (pick(2) ? "\r\n--zz--\r\n" : "");
            break;
        }
        case 9: { // another start line
            static const char* starts[] = {"SIP/2.0 200 OK", "SIP/2.0 999 X", "SIP/2.0 ", "SIP/2.0 20 OK", "SIP/2.0 1000000 OK",
                "INVITE  SIP/2.0", "INVITE sip:80001@127.0.0.1 SIP/3.0", "HTTP/1.1 200 OK", "GET / HTTP/1.1", "", "SIP/2.0",
                "OPTIONS sip:127.0.0.1 SIP/2.0", "REGISTER sip:127.0.0.1 SIP/2.0"};
            l[0] = starts[pick(std::size(starts))];
            break;
        }
        case 10: // another line end
            m_eol = pick(5);
            break;
        case 11: // no blank line after the headers
            m_noBlank = true;
            break;
        case 12: // keep-alives or junk before the message
            m_prefix = pick(2) ? std::string(1 + pick(6), '\n') : junk(pick(30));
            break;
        default: // a very long header
            l.insert(l.begin() + long(i), headerName() + ": " + std::string(length() + 1000, 'x'));
            break;
        }
    }

    std::string headerName()
    {
        static const char* names[] = {"Via", "From", "To", "Call-ID", "CSeq", "Contact", "Content-Type", "Content-Length",
            "Max-Forwards", "Record-Route", "Route", "Expires", "WWW-Authenticate", "Authorization", "Event",
            "Content-Encoding", "Transfer-Encoding", "Allow", "Supported", "Require", "P-Asserted-Identity", "X-Junk"};
        return names[pick(std::size(names))];
    }

    std::string join(std::vector<std::string>& l, const std::string& body)
    {
        static const char* eols[] = {"\r\n", "\n", "\r", "", "\r\r\n"};
        const std::string eol = eols[m_eol];
        std::string out = m_prefix;
        for (std::string& line : l) {
            if (!m_keepLength && line.rfind("Content-Length: ", 0) == 0)
                line = "Content-Length: " + std::to_string(body.size());
            out += line + eol;
        }
        if (!m_noBlank)
            out += eol;
        out += body;
        m_eol = 0;
        m_noBlank = m_keepLength = false;
        m_prefix.clear();
        return out;
    }

    std::mt19937 m_rng;
    std::string m_target, m_source;
    unsigned m_n = 0;
    unsigned m_eol = 0;
    bool m_noBlank = false, m_keepLength = false;
    std::string m_prefix;
};

} // namespace zuvi::test
