// Service simulator: multipart/form-data request bodies read as a web server reads them.
#include "FormData.h"

#include <cctype>

namespace sim {

namespace {

std::string lower(std::string s)
{
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t'))
        ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t'))
        --e;
    return s.substr(b, e - b);
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Value of a parameter ("name", "boundary") in a header value: quoted with backslash escapes, or
// a token up to ";" or a blank. Parameter names match ignoring case.
std::string parameter(const std::string& header, const std::string& key)
{
    size_t pos = 0;
    while ((pos = header.find(';', pos)) != std::string::npos) {
        ++pos;
        while (pos < header.size() && (header[pos] == ' ' || header[pos] == '\t'))
            ++pos;
        const size_t eq = header.find('=', pos);
        if (eq == std::string::npos)
            return {};
        if (lower(trim(header.substr(pos, eq - pos))) != key)
            continue;
        size_t v = eq + 1;
        std::string out;
        if (v < header.size() && header[v] == '"') {
            for (++v; v < header.size() && header[v] != '"'; ++v) {
                if (header[v] == '\\' && v + 1 < header.size())
                    ++v;
                out += header[v];
            }
            return out;
        }
        while (v < header.size() && header[v] != ';' && header[v] != ' ' && header[v] != '\t')
            out += header[v++];
        return out;
    }
    return {};
}

// "Name: value" lines; a line that starts with a blank continues the one before it.
bool parseHeaders(const std::string& block, std::map<std::string, std::string>& headers, std::string& error)
{
    std::string last;
    size_t pos = 0;
    while (pos < block.size()) {
        size_t end = block.find("\r\n", pos);
        if (end == std::string::npos)
            end = block.size();
        const std::string line = block.substr(pos, end - pos);
        pos = end + 2;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !last.empty()) {
            headers[last] += " " + trim(line);
            continue;
        }
        const size_t colon = line.find(':');
        if (colon == std::string::npos || colon == 0) {
            error = "part header line without a name: " + line;
            return false;
        }
        last = lower(line.substr(0, colon));
        headers[last] = trim(line.substr(colon + 1));
    }
    return true;
}

} // namespace

const FormPart* FormData::field(const std::string& name) const
{
    for (const FormPart& p : parts)
        if (p.name == name)
            return &p;
    return nullptr;
}

std::string boundaryOf(const std::string& contentType) { return parameter(contentType, "boundary"); }

std::string decodeQuotedPrintable(const std::string& text, std::string& error)
{
    std::string out;
    size_t pos = 0;
    bool first = true;
    while (pos <= text.size()) {
        size_t end = text.find("\r\n", pos);
        const bool lastLine = end == std::string::npos;
        if (lastLine)
            end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.size() > 76) {
            error = "quoted-printable line of " + std::to_string(line.size()) + " characters";
            return out;
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
            line.pop_back();
        if (!first)
            out += "\r\n";
        first = false;
        bool soft = false;
        for (size_t i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            if (c == '=') {
                if (i + 1 == line.size()) {
                    soft = true;
                    break;
                }
                const int hi = i + 2 < line.size() ? hexValue(line[i + 1]) : -1;
                const int lo = i + 2 < line.size() ? hexValue(line[i + 2]) : -1;
                if (hi < 0 || lo < 0) {
                    error = "broken quoted-printable escape at " + line.substr(i, 3);
                    return out;
                }
                out += char(hi * 16 + lo);
                i += 2;
            } else if ((c >= 0x21 && c <= 0x7E) || c == ' ' || c == '\t') {
                out += char(c);
            } else {
                error = "byte " + std::to_string(c) + " not encoded in a quoted-printable part";
                return out;
            }
        }
        if (soft)
            first = true; // the next line continues this one
        if (lastLine)
            break;
    }
    return out;
}

FormData parseFormData(const std::string& body, const std::string& contentType)
{
    FormData form;
    if (lower(contentType).rfind("multipart/form-data", 0) != 0) {
        form.error = "not multipart/form-data: " + contentType;
        return form;
    }
    const std::string boundary = boundaryOf(contentType);
    if (boundary.empty()) {
        form.error = "no boundary in the Content-Type";
        return form;
    }
    const std::string dash = "--" + boundary;
    // The first delimiter starts the body or follows a preamble's CR LF.
    size_t pos = body.rfind(dash, 0) == 0 ? 0 : body.find("\r\n" + dash);
    if (pos == std::string::npos) {
        form.error = "no delimiter line";
        return form;
    }
    if (pos > 0)
        pos += 2;
    for (;;) {
        pos += dash.size();
        if (body.compare(pos, 2, "--") == 0)
            return form; // closing delimiter; the epilogue is ignored
        while (pos < body.size() && (body[pos] == ' ' || body[pos] == '\t'))
            ++pos;
        if (body.compare(pos, 2, "\r\n") != 0) {
            form.error = "delimiter line not ended by CR LF";
            return form;
        }
        pos += 2;
        const size_t next = body.find("\r\n" + dash, pos);
        if (next == std::string::npos) {
            form.error = "part not followed by a delimiter (no closing boundary)";
            return form;
        }
        const std::string part = body.substr(pos, next - pos);
        FormPart p;
        size_t headEnd = part.rfind("\r\n", 0) == 0 ? 0 : part.find("\r\n\r\n");
        if (headEnd == std::string::npos) {
            form.error = "part header not ended by an empty line";
            return form;
        }
        if (!parseHeaders(part.substr(0, headEnd), p.headers, form.error))
            return form;
        const size_t contentStart = headEnd == 0 ? 2 : headEnd + 4;
        std::string content = part.substr(contentStart);
        auto header = [&p](const char* name) {
            auto it = p.headers.find(name);
            return it == p.headers.end() ? std::string() : it->second;
        };
        const std::string disposition = header("content-disposition");
        if (lower(disposition).rfind("form-data", 0) != 0) {
            form.error = "part without a form-data disposition";
            return form;
        }
        p.name = parameter(disposition, "name");
        if (p.name.empty()) {
            form.error = "form-data part without a name";
            return form;
        }
        const std::string encoding = lower(header("content-transfer-encoding"));
        if (encoding == "quoted-printable") {
            p.value = decodeQuotedPrintable(content, form.error);
            if (!form.error.empty()) {
                form.error = p.name + ": " + form.error;
                return form;
            }
        } else if (encoding.empty() || encoding == "7bit" || encoding == "8bit" || encoding == "binary") {
            p.value = content;
        } else {
            form.error = p.name + ": transfer encoding " + encoding + " not supported";
            return form;
        }
        form.parts.push_back(std::move(p));
        pos = next + 2;
    }
}

} // namespace sim
