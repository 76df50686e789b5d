// Test helper: runs the service simulator as a child process on a free loopback port.
#pragma once

#include <cjson/cJSON.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zuvi::test {

// One logged request of the simulator.
struct SimRequest {
    std::string method, path, query, version, body;
    std::vector<std::pair<std::string, std::string>> headers; // in header-name order
    std::string header(const std::string& name) const
    {
        for (const auto& [n, v] : headers)
            if (n == name)
                return v;
        return {};
    }
};

class SimProcess {
public:
    // extraArgs go after "--port 0"; the simulator path comes from ZUVI_SIM_EXE.
    explicit SimProcess(std::vector<std::string> extraArgs = {}, const char* exe = ZUVI_SIM_EXE)
    {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            close(out[0]);
            close(out[1]);
            std::vector<std::string> args{exe, "--port", "0"};
            args.insert(args.end(), extraArgs.begin(), extraArgs.end());
            std::vector<char*> argv;
            for (auto& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(exe, argv.data());
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char c;
        pollfd p{out[0], POLLIN, 0};
        while (poll(&p, 1, 10000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        close(out[0]);
        auto colon = line.rfind(':');
        if (line.rfind("listening on 127.0.0.1:", 0) != 0 || colon == std::string::npos)
            throw std::runtime_error("simulator did not start: " + line);
        m_port = std::atoi(line.c_str() + colon + 1);
    }
    ~SimProcess()
    {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    int port() const { return m_port; }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::string base() const { return "http://" + host(); }

    // Parses the simulator's JSON-lines log.
    static std::vector<SimRequest> parseLog(const std::string& text)
    {
        std::vector<SimRequest> out;
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            cJSON* o = cJSON_ParseWithLength(text.data() + start, end - start);
            start = end + 1;
            if (!o)
                continue;
            auto s = [&](const char* k) {
                const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, k);
                return std::string(cJSON_IsString(v) ? v->valuestring : "");
            };
            SimRequest r{s("method"), s("path"), s("query"), s("version"), s("body"), {}};
            const cJSON* h = nullptr;
            cJSON_ArrayForEach(h, cJSON_GetObjectItemCaseSensitive(o, "headers"))
                r.headers.emplace_back(cJSON_GetArrayItem(h, 0)->valuestring, cJSON_GetArrayItem(h, 1)->valuestring);
            out.push_back(std::move(r));
            cJSON_Delete(o);
        }
        return out;
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
};

} // namespace zuvi::test
