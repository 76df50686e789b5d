// Service simulator: the calling service's web API on loopback, with switchable faults and a request log.
#include "Activity.h"
#include "FormData.h"
#include "installer.h"
#include "scripted.h"
#include "site.h"

#include <httplib.h>

#include <cjson/cJSON.h>
#include <openssl/evp.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <iconv.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <strings.h>
#include <ctime>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char* kFlag = "160000";

struct Contact {
    std::string name; // UTF-8
    std::string number;
};

struct Account {
    std::string phone;
    std::string password; // UTF-8 in the fixture; hashed over its GBK bytes
    std::string balance;
    std::string balanceMin;
    std::string sipId;
    std::string sipPw;
    bool plainCheckPm = false;
    std::vector<Contact> contacts;
    // Billing: a call set up since the last Login (CheckPM or CreatePM) is charged at the next
    // Login of the same session, the refresh the client sends after a call.
    bool callSinceLogin = false;
    // Login history
    int logins = 0;
    std::string lastIp;
    std::string lastTime;
};

struct Fault {
    std::string mode; // refuse, noret, notjson, empty, http500, close, delay, plain
    int count = -1; // requests still affected; -1 = until switched off
    int delayMs = 0;
};

struct Options {
    int port = 8090;
    std::string fixture;
    std::string logFile;
    std::string updateUrl;
    std::string banner;
};

// ---- helpers ----------------------------------------------------------------------------------

std::string md5Hex(const std::string& bytes)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_md5(), nullptr);
    std::string out;
    char hex[3];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(hex, sizeof hex, "%02x", digest[i]);
        out += hex;
    }
    return out;
}

std::string utf8ToGbk(const std::string& text)
{
    iconv_t cd = iconv_open("GBK//TRANSLIT", "UTF-8");
    if (cd == iconv_t(-1))
        return text;
    std::string out(text.size() * 2 + 4, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* o = out.data();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &o, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// Pair swap over UTF-16 units; the texts swapped here are ASCII, where units are bytes.
std::string swapPairs(const std::string& s)
{
    std::string out = s;
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        std::swap(out[i], out[i + 1]);
    return out;
}

std::string base64(const std::string& bytes)
{
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = unsigned(uint8_t(bytes[i])) << 16 | unsigned(uint8_t(bytes[i + 1])) << 8 | uint8_t(bytes[i + 2]);
        out += alphabet[v >> 18];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += alphabet[v & 63];
    }
    if (bytes.size() - i == 1) {
        unsigned v = unsigned(uint8_t(bytes[i])) << 16;
        out += alphabet[v >> 18];
        out += alphabet[v >> 12 & 63];
        out += "==";
    } else if (bytes.size() - i == 2) {
        unsigned v = unsigned(uint8_t(bytes[i])) << 16 | unsigned(uint8_t(bytes[i + 1])) << 8;
        out += alphabet[v >> 18];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += '=';
    }
    return out;
}

std::string scramble(const std::string& json) { return swapPairs(base64(json)); }

std::string percentDecode(const std::string& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(uint8_t(s[i + 1])) && std::isxdigit(uint8_t(s[i + 2]))) {
            out += char(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

std::string print(cJSON* json)
{
    char* text = cJSON_PrintUnformatted(json);
    std::string out = text ? text : "";
    cJSON_free(text);
    cJSON_Delete(json);
    return out;
}

std::string refusal(int ret, const char* msg)
{
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", ret);
    cJSON_AddStringToObject(o, "msg", msg);
    return print(o);
}

std::string jsonString(const cJSON* o, const char* key)
{
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, key);
    return cJSON_IsString(v) ? v->valuestring : "";
}

// Closes the client connection of a request at once, without an answer.
void dropConnection(const httplib::Request& req)
{
    DIR* dir = opendir("/proc/self/fd");
    if (!dir)
        return;
    while (dirent* entry = readdir(dir)) {
        int fd = std::atoi(entry->d_name);
        if (fd <= 2)
            continue;
        sockaddr_in peer{};
        socklen_t len = sizeof peer;
        if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) == 0 && peer.sin_family == AF_INET
            && ntohs(peer.sin_port) == req.remote_port) {
            char ip[INET_ADDRSTRLEN] = {};
            inet_ntop(AF_INET, &peer.sin_addr, ip, sizeof ip);
            if (req.remote_addr == ip)
                ::shutdown(fd, SHUT_RDWR);
        }
    }
    closedir(dir);
}

// ---- service state ----------------------------------------------------------------------------

class Service {
public:
    explicit Service(Options options)
        : m_options(std::move(options))
    { }

    bool loadFixture(std::string& error);
    void loadBanner();

    void handleApi(const httplib::Request& req, httplib::Response& res, const std::string& contentType);
    void handleControl(const httplib::Request& req, httplib::Response& res);
    void serveBanner(httplib::Response& res);

    void log(const httplib::Request& req, const std::string& contentType);

private:
    std::optional<Fault> takeFault(const std::string& action);
    Account* account(const std::string& phone);
    void chargeCall(Account& acc);
    bool loggedIn(const std::string& phone, const std::string& hamc);

    std::string randCode();
    std::string login(const httplib::Request& req);
    std::string credentials(const httplib::Request& req, bool checkPm, bool plain, bool& scrambled);
    std::string activity(const httplib::Request& req);
    std::string upAddresBook(const httplib::Request& req, const std::string& contentType);
    std::string restoreAddresBook(const httplib::Request& req);

    Options m_options;
    std::mutex m_mutex;
    std::string m_sipServer;
    std::vector<Account> m_accounts;
    std::deque<std::string> m_codes; // issued RandCode values, newest last
    std::set<std::pair<std::string, std::string>> m_sessions; // (phone, Hamc) of successful logins
    std::map<std::string, Fault> m_faults;
    std::vector<std::string> m_log; // JSON lines
    std::vector<std::string> m_uploads; // UpAddresBook bodies as read, JSON objects
    std::string m_banner;
    std::mt19937 m_random{std::random_device{}()};
};

bool Service::loadFixture(std::string& error)
{
    std::ifstream in(m_options.fixture, std::ios::binary);
    if (!in) {
        error = "cannot read fixture " + m_options.fixture;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    cJSON* root = cJSON_Parse(text.str().c_str());
    if (!root) {
        error = "fixture is not JSON: " + m_options.fixture;
        return false;
    }
    m_sipServer = jsonString(root, "sip_server");
    const cJSON* accounts = cJSON_GetObjectItemCaseSensitive(root, "accounts");
    const cJSON* a = nullptr;
    cJSON_ArrayForEach(a, accounts)
    {
        Account acc;
        acc.phone = jsonString(a, "phone");
        acc.password = jsonString(a, "password");
        acc.balance = jsonString(a, "balance");
        acc.balanceMin = jsonString(a, "balancemin");
        acc.sipId = jsonString(a, "sip_id");
        acc.sipPw = jsonString(a, "sip_pw");
        acc.plainCheckPm = cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(a, "plain_checkpm"));
        const cJSON* c = nullptr;
        cJSON_ArrayForEach(c, cJSON_GetObjectItemCaseSensitive(a, "contacts"))
            acc.contacts.push_back({jsonString(c, "name"), jsonString(c, "number")});
        m_accounts.push_back(std::move(acc));
    }
    cJSON_Delete(root);
    return true;
}

void Service::loadBanner()
{
    std::ifstream in(m_options.banner, std::ios::binary);
    std::stringstream data;
    data << in.rdbuf();
    m_banner = data.str();
}

Account* Service::account(const std::string& phone)
{
    for (auto& a : m_accounts)
        if (a.phone == phone)
            return &a;
    return nullptr;
}

// One call costs one minute at 0.50: the balance "12.50" becomes "12.00", and a minutes text of
// the form "约 N 分钟" is recomputed from it. Balances that are not numbers are left alone.
void Service::chargeCall(Account& acc)
{
    char* end = nullptr;
    double balance = std::strtod(acc.balance.c_str(), &end);
    if (end == acc.balance.c_str())
        return;
    const std::string suffix = end;
    long cents = std::lround(balance * 100) - 50;
    if (cents < 0)
        cents = 0;
    char text[64];
    std::snprintf(text, sizeof text, "%ld.%02ld", cents / 100, cents % 100);
    acc.balance = text + suffix;
    const std::string prefix = "约 ", unit = " 分钟";
    if (acc.balanceMin.rfind(prefix, 0) == 0 && acc.balanceMin.size() > unit.size() && acc.balanceMin.compare(acc.balanceMin.size() - unit.size(), unit.size(), unit) == 0)
        acc.balanceMin = prefix + std::to_string(cents / 50) + unit;
}

bool Service::loggedIn(const std::string& phone, const std::string& hamc)
{
    return m_sessions.count({phone, hamc}) > 0;
}

std::optional<Fault> Service::takeFault(const std::string& action)
{
    auto it = m_faults.find(action);
    if (it == m_faults.end())
        return std::nullopt;
    Fault fault = it->second;
    if (it->second.count > 0 && --it->second.count == 0)
        m_faults.erase(it);
    return fault;
}

std::string Service::randCode()
{
    static const char chars[] = "ABCDEFGHJKLMNPQRSTUVWXYZabcdefghijkmnpqrstuvwxyz23456789";
    std::uniform_int_distribution<size_t> pick(0, sizeof chars - 2);
    std::string code;
    for (int i = 0; i < 8; ++i)
        code += chars[pick(m_random)];
    m_codes.push_back(code);
    if (m_codes.size() > 1024)
        m_codes.pop_front();
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", 0);
    cJSON_AddStringToObject(o, "rd", code.c_str());
    return print(o);
}

std::string Service::login(const httplib::Request& req)
{
    const std::string phone = req.get_param_value("Phone");
    const std::string hamc = req.get_param_value("Hamc");
    Account* acc = account(phone);
    if (!acc || req.get_param_value("Passwd") != md5Hex(utf8ToGbk(acc->password)))
        return refusal(2, "用户名或密码错误");
    bool tokenOk = loggedIn(phone, hamc);
    if (tokenOk && acc->callSinceLogin)
        chargeCall(*acc);
    acc->callSinceLogin = false;
    for (auto it = m_codes.rbegin(); !tokenOk && it != m_codes.rend(); ++it)
        tokenOk = md5Hex(phone + swapPairs(*it) + kFlag) == hamc;
    if (!tokenOk)
        return refusal(3, "证书无效");
    m_sessions.insert({phone, hamc});

    const std::string previousIp = acc->lastIp, previousTime = acc->lastTime;
    acc->logins += 1;
    acc->lastIp = req.remote_addr;
    acc->lastTime = now();
    std::string domain = m_sipServer.substr(0, m_sipServer.find(':'));

    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", 0);
    cJSON* rd = cJSON_AddObjectToObject(o, "rd");
    cJSON_AddStringToObject(rd, "vos_ip", m_sipServer.c_str());
    cJSON_AddStringToObject(rd, "vos_domain", domain.c_str());
    cJSON_AddStringToObject(rd, "ip", previousIp.c_str());
    cJSON_AddStringToObject(rd, "login_time", previousTime.c_str());
    cJSON_AddStringToObject(rd, "current_ip", acc->lastIp.c_str());
    cJSON_AddStringToObject(rd, "current_logintime", acc->lastTime.c_str());
    cJSON_AddStringToObject(rd, "total_login_times", std::to_string(acc->logins).c_str());
    cJSON_AddStringToObject(rd, "Balance", acc->balance.c_str());
    cJSON_AddStringToObject(rd, "Balancemin", acc->balanceMin.c_str());
    cJSON_AddStringToObject(rd, "syncstr", "0");
    return print(o);
}

// CheckPM / CreatePM. Scrambled unless the account (CheckPM) or the "plain" fault asks for plain JSON.
std::string Service::credentials(const httplib::Request& req, bool checkPm, bool plain, bool& scrambled)
{
    const std::string phone = req.get_param_value("Phone");
    Account* acc = account(phone);
    bool session = loggedIn(phone, req.get_param_value("Hamc"));
    scrambled = !plain;
    if (!acc || !session)
        return refusal(1, "未登录");
    acc->callSinceLogin = true;
    if (checkPm && acc->plainCheckPm && !plain) {
        scrambled = false;
        return refusal(1, "未开通话机");
    }
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", 0);
    cJSON* rd = cJSON_AddObjectToObject(o, "rd");
    cJSON_AddStringToObject(rd, "vos_id", acc->sipId.c_str());
    cJSON_AddStringToObject(rd, "vos_pw", acc->sipPw.c_str());
    return print(o);
}

std::string Service::activity(const httplib::Request& req)
{
    std::string host = req.get_header_value("Host");
    if (auto custom = sim::customActivity(host))
        return *custom;
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", 0);
    cJSON* c = cJSON_AddArrayToObject(o, "c");
    cJSON* banner = cJSON_CreateObject();
    cJSON_AddStringToObject(banner, "is_index_pc", "1");
    cJSON_AddStringToObject(banner, "pic", ("http://" + host + "/_sim/banner.jpg").c_str());
    cJSON_AddStringToObject(banner, "link", ("http://" + host + "/activity.html").c_str());
    cJSON_AddStringToObject(banner, "title", "充值送话费");
    cJSON_AddStringToObject(banner, "content", "本月充值 100 元送 20 元话费。");
    cJSON_AddItemToArray(c, banner);
    cJSON* plain = cJSON_CreateObject();
    cJSON_AddStringToObject(plain, "is_index_pc", "0");
    cJSON_AddStringToObject(plain, "pic", "");
    cJSON_AddStringToObject(plain, "link", "");
    cJSON_AddStringToObject(plain, "title", "新用户注册");
    cJSON_AddStringToObject(plain, "content", "注册即送 10 分钟免费通话。");
    cJSON_AddItemToArray(c, plain);
    return print(o);
}

std::string Service::upAddresBook(const httplib::Request& req, const std::string& contentType)
{
    const sim::FormData form = sim::parseFormData(req.body, contentType);
    auto text = [&form](const char* name) {
        const sim::FormPart* p = form.field(name);
        return p ? p->value : std::string();
    };
    // Every upload is kept as it arrived (fields after the transfer encoding is undone).
    cJSON* record = cJSON_CreateObject();
    cJSON* fields = cJSON_AddArrayToObject(record, "fields");
    for (const sim::FormPart& p : form.parts) {
        cJSON* pair = cJSON_CreateArray();
        cJSON_AddItemToArray(pair, cJSON_CreateString(p.name.c_str()));
        cJSON_AddItemToArray(pair, cJSON_CreateString(p.value.c_str()));
        cJSON_AddItemToArray(fields, pair);
    }
    cJSON_AddStringToObject(record, "PL", text("PL").c_str());
    cJSON_AddStringToObject(record, "error", form.error.c_str());
    m_uploads.push_back(print(record));
    if (!form.error.empty())
        return refusal(2, "格式错误");

    Account* acc = account(text("Phone"));
    if (!acc || !loggedIn(text("Phone"), text("Hamc")))
        return refusal(1, "未登录");
    // PL: number "," name "," percent-encoded
    std::string pl = percentDecode(text("PL"));
    auto first = pl.find(',');
    if (first == std::string::npos)
        return refusal(2, "格式错误");
    std::string number = pl.substr(0, first);
    std::string name = pl.substr(first + 1);
    if (!name.empty() && name.back() == ',')
        name.pop_back();
    bool replaced = false;
    for (auto& contact : acc->contacts)
        if (contact.number == number) {
            contact.name = name;
            replaced = true;
        }
    if (!replaced)
        acc->contacts.push_back({name, number});
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", 0);
    return print(o);
}

std::string Service::restoreAddresBook(const httplib::Request& req)
{
    const std::string phone = req.get_param_value("Phone");
    Account* acc = account(phone);
    if (!acc || !loggedIn(phone, req.get_param_value("Hamc")))
        return refusal(1, "未登录");
    cJSON* o = cJSON_CreateObject();
    cJSON_AddNumberToObject(o, "ret", 0);
    cJSON* c = cJSON_AddArrayToObject(o, "c");
    for (const auto& contact : acc->contacts) {
        cJSON* e = cJSON_CreateObject();
        cJSON_AddStringToObject(e, "p", contact.number.c_str());
        cJSON_AddStringToObject(e, "n", contact.name.c_str());
        cJSON_AddItemToArray(c, e);
    }
    return print(o);
}

void Service::handleApi(const httplib::Request& req, httplib::Response& res, const std::string& contentType)
{
    std::string r = req.get_param_value("r");
    std::string action = r.rfind("Pc/", 0) == 0 ? r.substr(3) : r;

    std::unique_lock lock(m_mutex);
    log(req, contentType);
    std::optional<Fault> fault = takeFault(action);
    if (auto mode = sim::endpoint2Fault(req.path))
        fault = Fault{*mode, -1, 20000};
    if (fault && fault->mode == "delay") {
        lock.unlock();
        std::this_thread::sleep_for(std::chrono::milliseconds(fault->delayMs));
        lock.lock();
        fault.reset();
    }
    // A session cookie, as the service's script framework hands out.
    if (req.get_header_value("Cookie").find("PHPSESSID=") == std::string::npos) {
        std::uniform_int_distribution<unsigned> digit(0, 15);
        std::string sid;
        for (int i = 0; i < 26; ++i)
            sid += "0123456789abcdef"[digit(m_random)];
        res.set_header("Set-Cookie", "PHPSESSID=" + sid + "; path=/");
    }
    if (fault) {
        const std::string& mode = fault->mode;
        if (mode == "close") {
            dropConnection(req);
            res.status = 500;
            return;
        }
        if (mode == "http500") {
            res.status = 500;
            res.set_content("<html><body>500 Internal Server Error</body></html>", "text/html");
            return;
        }
        if (mode == "notjson") {
            res.set_content("<html><body>Service unavailable</body></html>", "text/html");
            return;
        }
        if (mode == "empty") {
            res.set_content("", "text/html");
            return;
        }
    }
    const bool scrambledAction = action == "CheckPM" || action == "CreatePM";
    std::string body;
    bool scrambled = false;
    if (fault && fault->mode == "refuse") {
        body = refusal(1, "refused");
        scrambled = scrambledAction;
    } else if (fault && fault->mode == "noret") {
        body = "{\"msg\":\"no status\"}";
        scrambled = scrambledAction;
    } else if (action == "RandCode") {
        body = randCode();
    } else if (action == "Login") {
        body = login(req);
    } else if (scrambledAction) {
        body = credentials(req, action == "CheckPM", fault && fault->mode == "plain", scrambled);
    } else if (action == "Logout") {
        m_sessions.erase({req.get_param_value("Phone"), req.get_param_value("Hamc")});
        body = "{\"ret\":0}";
    } else if (action == "Keepalived") {
        body = loggedIn(req.get_param_value("Phone"), req.get_param_value("Hamc")) ? "{\"ret\":0}"
                                                                                   : refusal(1, "未登录");
    } else if (action == "Activity") {
        body = activity(req);
    } else if (action == "softversion") {
        cJSON* o = cJSON_CreateObject();
        cJSON_AddStringToObject(o, "u", m_options.updateUrl.c_str());
        body = print(o);
    } else if (action == "UpAddresBook") {
        body = upAddresBook(req, contentType);
    } else if (action == "RestoreAddresBook") {
        body = sim::scriptedRestoreReply().value_or(restoreAddresBook(req));
    } else {
        res.status = 404;
        res.set_content("<html><body>404 Not Found</body></html>", "text/html");
        return;
    }
    res.set_content(scrambled ? scramble(body) : body, "text/html; charset=utf-8");
}

void Service::log(const httplib::Request& req, const std::string& contentType)
{
    auto query = req.target.find('?');
    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "method", req.method.c_str());
    cJSON_AddStringToObject(o, "path", req.path.c_str());
    cJSON_AddStringToObject(o, "query", query == std::string::npos ? "" : req.target.substr(query + 1).c_str());
    cJSON_AddStringToObject(o, "version", req.version.c_str());
    cJSON* headers = cJSON_AddArrayToObject(o, "headers");
    std::string raw = req.method + " " + req.target + " " + req.version + "\r\n";
    for (const auto& [name, value] : req.headers) {
        if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT")
            continue; // added by the server library, not sent by the client
        std::string v = strcasecmp(name.c_str(), "Content-Type") == 0 ? contentType : value;
        cJSON* pair = cJSON_CreateArray();
        cJSON_AddItemToArray(pair, cJSON_CreateString(name.c_str()));
        cJSON_AddItemToArray(pair, cJSON_CreateString(v.c_str()));
        cJSON_AddItemToArray(headers, pair);
        raw += name + ": " + v + "\r\n";
    }
    raw += "\r\n" + req.body;
    cJSON_AddStringToObject(o, "body", req.body.c_str());
    m_log.push_back(print(o));
    if (!m_options.logFile.empty()) {
        std::ofstream out(m_options.logFile, std::ios::binary | std::ios::app);
        out << raw << "\r\n";
    }
}

void Service::handleControl(const httplib::Request& req, httplib::Response& res)
{
    if (sim::handleScriptedControl(req, res))
        return;
    std::lock_guard lock(m_mutex);
    if (req.path == "/_sim/log") {
        std::string out;
        for (const auto& line : m_log)
            out += line + "\n";
        res.set_content(out, "application/x-ndjson");
    } else if (req.path == "/_sim/fault") {
        std::string action = req.get_param_value("action");
        std::string mode = req.get_param_value("mode");
        static const std::set<std::string> modes{"refuse", "noret", "notjson", "empty", "http500",
            "close", "delay", "plain"};
        if (action.empty() || (mode != "off" && !modes.count(mode))) {
            res.status = 400;
            res.set_content("bad action or mode\n", "text/plain");
            return;
        }
        if (mode == "off") {
            m_faults.erase(action);
        } else {
            Fault f;
            f.mode = mode;
            f.count = req.has_param("count") ? std::atoi(req.get_param_value("count").c_str()) : -1;
            f.delayMs = req.has_param("ms") ? std::atoi(req.get_param_value("ms").c_str()) : 20000;
            if (f.count == 0)
                f.count = -1;
            m_faults[action] = f;
        }
        res.set_content("ok\n", "text/plain");
    } else if (req.path == "/_sim/uploads") {
        std::string out;
        for (const auto& line : m_uploads)
            out += line + "\n";
        res.set_content(out, "application/x-ndjson");
    } else if (req.path == "/_sim/reset") {
        m_faults.clear();
        m_log.clear();
        m_uploads.clear();
        res.set_content("ok\n", "text/plain");
    } else if (req.path == "/_sim/softversion") {
        m_options.updateUrl = req.get_param_value("u");
        res.set_content("ok\n", "text/plain");
    } else if (req.path == "/_sim/addressbook") {
        Account* acc = account(req.get_param_value("phone"));
        if (!acc) {
            res.status = 404;
            return;
        }
        cJSON* a = cJSON_CreateArray();
        for (const auto& contact : acc->contacts) {
            cJSON* e = cJSON_CreateObject();
            cJSON_AddStringToObject(e, "name", contact.name.c_str());
            cJSON_AddStringToObject(e, "number", contact.number.c_str());
            cJSON_AddItemToArray(a, e);
        }
        res.set_content(print(a), "application/json");
    } else {
        res.status = 404;
    }
}

void Service::serveBanner(httplib::Response& res)
{
    if (m_banner.empty()) {
        res.status = 404;
        return;
    }
    res.set_content(m_banner, "image/jpeg");
}

std::string exeDir()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    std::string path(buf, size_t(n));
    return path.substr(0, path.rfind('/'));
}

void usage()
{
    std::cout << "usage: zuvi-service-sim [--port N] [--fixture FILE] [--log FILE] [--update-url URL] [--banner FILE]\n"
                 "  --port 0 picks a free port; the first line printed is \"listening on 127.0.0.1:PORT\".\n";
}

thread_local std::string t_contentType; // the request's Content-Type as sent

} // namespace

int main(int argc, char** argv)
{
    signal(SIGPIPE, SIG_IGN);
    Options options;
    if (const char* f = std::getenv("ZUVI_SIM_FIXTURE"); f && *f)
        options.fixture = f;
    else
        options.fixture = ZUVI_SIM_DEFAULT_FIXTURE;
    options.banner = exeDir() + "/zuvi-service-sim-banner.jpg";
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                usage();
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--port")
            options.port = std::atoi(value().c_str());
        else if (arg == "--fixture")
            options.fixture = value();
        else if (arg == "--log")
            options.logFile = value();
        else if (arg == "--update-url")
            options.updateUrl = value();
        else if (arg == "--banner")
            options.banner = value();
        else {
            usage();
            return arg == "--help" || arg == "-h" ? 0 : 2;
        }
    }

    Service service(options);
    std::string error;
    if (!service.loadFixture(error)) {
        std::cerr << "zuvi-service-sim: " << error << "\n";
        return 1;
    }
    service.loadBanner();

    httplib::Server server;
    server.set_tcp_nodelay(true); // headers and body leave at once on kept-alive connections
    // Multipart bodies are kept raw (logged byte for byte, parsed by the service itself).
    server.set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        auto& request = const_cast<httplib::Request&>(req);
        t_contentType = req.get_header_value("Content-Type");
        auto it = request.headers.find("Content-Type");
        if (it != request.headers.end() && it->second.rfind("multipart/", 0) == 0)
            it->second = "application/octet-stream";
        return httplib::Server::HandlerResponse::Unhandled;
    });
    auto api = [&](const httplib::Request& req, httplib::Response& res) {
        service.handleApi(req, res, t_contentType);
    };
    for (const char* path : {"/m2/index.php", "/m2_release/index.php"}) {
        server.Get(path, api);
        server.Post(path, api);
    }
    auto control = [&](const httplib::Request& req, httplib::Response& res) { service.handleControl(req, res); };
    sim::addActivityRoutes(server);
    server.Get("/_sim/banner.jpg", [&](const httplib::Request&, httplib::Response& res) { service.serveBanner(res); });
    addInstallerRoutes(server);
    addSitePages(server);
    server.Get(R"(/_sim/\w+)", control);
    server.Post(R"(/_sim/\w+)", control);

    int port = options.port;
    if (port == 0) {
        port = server.bind_to_any_port("127.0.0.1");
    } else if (!server.bind_to_port("127.0.0.1", port)) {
        port = -1;
    }
    if (port < 0) {
        std::cerr << "zuvi-service-sim: cannot listen on 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    std::cout << "listening on 127.0.0.1:" << port << std::endl;
    return server.listen_after_bind() ? 0 : 1;
}
