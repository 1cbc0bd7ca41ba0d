// Servers on 127.0.0.1 for the update check's tests, so no test ever needs
// the network.
//
// LoopbackHttpServer: a tiny plain-HTTP/1.0 server on its own thread. It
// answers each GET with the body registered for the path (404 otherwise),
// or, when told to stay silent, accepts and never answers. It records every
// path asked for.
//
// LoopbackTlsServer: `openssl s_server` with a freshly made self-signed
// certificate, for checking that certificates are verified. Available() is
// false when the openssl program is missing or does not come up.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

class LoopbackHttpServer {
public:
    LoopbackHttpServer();
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string Address() const;
    void Serve(const std::string& path, const std::string& body, int status = 200);
    // Accepted connections get no answer at all (a server that hangs).
    void StaySilent(bool silent);
    std::vector<std::string> RequestedPaths() const;

private:
    void Run();
    void Answer(int connection);

    int listener_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    std::atomic<bool> silent_ {false};
    mutable std::mutex mutex_;
    std::map<std::string, std::pair<int, std::string>> bodies_;
    std::vector<std::string> requested_;
    std::vector<int> heldConnections_;
    std::thread thread_;
};

class LoopbackTlsServer {
public:
    // Makes a key and a self-signed certificate in `folder` and starts the server.
    explicit LoopbackTlsServer(const std::string& folder);
    ~LoopbackTlsServer();
    LoopbackTlsServer(const LoopbackTlsServer&) = delete;
    LoopbackTlsServer& operator=(const LoopbackTlsServer&) = delete;

    bool Available() const { return child_ > 0 && port_ > 0; }
    // "https://127.0.0.1:<port>"
    std::string Address() const;

private:
    pid_t child_ = -1;
    int port_ = 0;
};
