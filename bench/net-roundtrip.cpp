// Web API client benchmark: whole-request time of one GET through the HTTP client.
#include "HttpClient.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

using zuvi::net::HttpClient;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

template<typename F>
std::vector<double> measure(int runs, F request)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        request();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return ms;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: zuvi-net-bench URL [runs]\n");
        return 2;
    }
    const QString url = QString::fromUtf8(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 201;
    try {
        HttpClient warm(HttpClient::Kind::Plain);
        warm.get(url);
        // A client per request: connection set-up included, as for curl's own time_total.
        auto fresh = measure(runs, [&] { HttpClient(HttpClient::Kind::Plain).get(url); });
        // One client for the run (the forms' case), connection kept alive by the server.
        HttpClient kept(HttpClient::Kind::Browser);
        auto reused = measure(runs, [&] { kept.get(url); });
        std::printf("client, new client per GET     median %.3f ms  min %.3f ms\n", median(fresh),
            *std::min_element(fresh.begin(), fresh.end()));
        std::printf("client, one client for the run median %.3f ms  min %.3f ms\n", median(reused),
            *std::min_element(reused.begin(), reused.end()));
    } catch (const zuvi::net::TransportError& e) {
        std::fprintf(stderr, "zuvi-net-bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
