// A tiny HTTP/1.0 server on 127.0.0.1 for the update check's tests, so no
// test ever needs the network. It runs on its own thread and serves one
// connection at a time, over TLS unless made plain. The TLS server holds a
// self-signed certificate for 127.0.0.1 made when it starts: a client trusts
// it only when handed CertificatePem().
//
// Each GET gets the reply registered for its path (404 otherwise), and every
// path asked for is recorded. Told to stay silent, the server accepts
// connections and never answers.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct ssl_ctx_st;

class LoopbackHttpServer {
public:
    enum Scheme { Https, PlainHttp };
    explicit LoopbackHttpServer(Scheme scheme = Https);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // "https://127.0.0.1:<port>" (or "http://...").
    std::string Address() const;
    // The server's certificate in PEM; empty for a plain server.
    const std::string& CertificatePem() const { return certificatePem_; }

    void Serve(const std::string& path, const std::string& body, int status = 200);
    // The body without a Content-Length: the client learns its size only when
    // the connection ends.
    void ServeUnannounced(const std::string& path, const std::string& body);
    // The body under a Content-Length of `announced` bytes, true or not.
    void ServeAnnouncing(const std::string& path, const std::string& body, size_t announced);
    // "302 Found" to `location`, with a body of its own.
    void Redirect(const std::string& path, const std::string& location);
    // Accepted connections get no answer at all (a server that hangs).
    void StaySilent(bool silent);
    std::vector<std::string> RequestedPaths() const;

private:
    struct Reply {
        int status = 404;
        std::string body = "not here";
        std::string location;
        std::optional<size_t> announced = body.size();  // the Content-Length sent, if any
    };
    void Run();
    void Answer(int connection);

    int listener_ = -1;
    int wakePipe_[2] = {-1, -1};
    int port_ = 0;
    ssl_ctx_st* tls_ = nullptr;
    std::string certificatePem_;
    std::atomic<bool> silent_ {false};
    mutable std::mutex mutex_;
    std::map<std::string, Reply> replies_;
    std::vector<std::string> requested_;
    std::vector<int> heldConnections_;
    std::thread thread_;
};
