#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace {

void SendAll(int connection, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(connection, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) return;
        sent += static_cast<size_t>(n);
    }
}

// The head of a request, up to its empty line.
std::string ReadRequestHead(int connection)
{
    std::string head;
    char chunk[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
        const ssize_t n = recv(connection, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        head.append(chunk, static_cast<size_t>(n));
    }
    return head;
}

const char* ReasonOf(int status) { return status == 200 ? "OK" : status == 404 ? "Not Found" : "Error"; }

// A port on 127.0.0.1 that was free a moment ago.
int FreeLoopbackPort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    if (probe < 0) return 0;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    close(probe);
    return port;
}

bool Accepts(int port)
{
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    if (client < 0) return false;
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    const bool connected = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(client);
    return connected;
}

// Runs a program quietly (all three standard streams on /dev/null); its id or -1.
pid_t SpawnQuietly(const std::vector<std::string>& command)
{
    std::vector<char*> argv;
    for (const std::string& part : command) argv.push_back(const_cast<char*>(part.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    if (posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ) != 0) child = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

int WaitFor(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

// ---------------------------------------------------------------------------
// Plain HTTP
// ---------------------------------------------------------------------------

LoopbackHttpServer::LoopbackHttpServer()
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe(wakePipe_) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Run(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    const char stop = 1;
    if (write(wakePipe_[1], &stop, 1) != 1) std::abort();
    thread_.join();
    for (const int connection : heldConnections_) close(connection);
    close(listener_);
    close(wakePipe_[0]);
    close(wakePipe_[1]);
}

std::string LoopbackHttpServer::Address() const { return "http://127.0.0.1:" + std::to_string(port_); }

void LoopbackHttpServer::Serve(const std::string& path, const std::string& body, int status)
{
    std::lock_guard<std::mutex> lock(mutex_);
    bodies_[path] = {status, body};
}

void LoopbackHttpServer::StaySilent(bool silent) { silent_ = silent; }

std::vector<std::string> LoopbackHttpServer::RequestedPaths() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requested_;
}

void LoopbackHttpServer::Run()
{
    for (;;) {
        pollfd waits[2] = {{listener_, POLLIN, 0}, {wakePipe_[0], POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (waits[1].revents) return;
        if (waits[0].revents & POLLIN) {
            const int connection = accept(listener_, nullptr, nullptr);
            if (connection >= 0) Answer(connection);
        }
    }
}

void LoopbackHttpServer::Answer(int connection)
{
    const std::string head = ReadRequestHead(connection);
    // "GET /path HTTP/1.1"
    const size_t start = head.find(' ');
    const size_t end = start == std::string::npos ? start : head.find(' ', start + 1);
    const std::string path = end == std::string::npos ? std::string() : head.substr(start + 1, end - start - 1);
    std::pair<int, std::string> answer {404, "not here"};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requested_.push_back(path);
        const auto found = bodies_.find(path);
        if (found != bodies_.end()) answer = found->second;
        if (silent_) {
            heldConnections_.push_back(connection);
            return;
        }
    }
    SendAll(connection, "HTTP/1.0 " + std::to_string(answer.first) + " " + ReasonOf(answer.first) +
                            "\r\nContent-Length: " + std::to_string(answer.second.size()) +
                            "\r\nConnection: close\r\n\r\n" + answer.second);
    close(connection);
}

// ---------------------------------------------------------------------------
// TLS through openssl s_server
// ---------------------------------------------------------------------------

LoopbackTlsServer::LoopbackTlsServer(const std::string& folder)
{
    const std::string key = folder + "/tls-key.pem";
    const std::string certificate = folder + "/tls-cert.pem";
    const pid_t maker = SpawnQuietly({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                      "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", certificate,
                                      "-subj", "/CN=127.0.0.1", "-days", "1"});
    if (maker < 0) return;
    const int made = WaitFor(maker);
    if (!WIFEXITED(made) || WEXITSTATUS(made) != 0) return;

    const int port = FreeLoopbackPort();
    if (port == 0) return;
    child_ = SpawnQuietly({"openssl", "s_server", "-quiet", "-www", "-accept", "127.0.0.1:" + std::to_string(port),
                           "-cert", certificate, "-key", key});
    if (child_ < 0) return;
    // Readiness, not timing: give the server up to ten seconds to listen.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Accepts(port)) {
            port_ = port;
            return;
        }
        if (waitpid(child_, nullptr, WNOHANG) == child_) {
            child_ = -1;
            return;
        }
        usleep(20000);
    }
}

LoopbackTlsServer::~LoopbackTlsServer()
{
    if (child_ <= 0) return;
    kill(child_, SIGTERM);
    WaitFor(child_);
}

std::string LoopbackTlsServer::Address() const { return "https://127.0.0.1:" + std::to_string(port_); }
