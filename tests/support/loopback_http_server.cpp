#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>
#include <utility>

namespace {

// A P-256 key and a self-signed certificate for 127.0.0.1 (valid for a day),
// ready to serve; the certificate's PEM goes to `pem`.
SSL_CTX* MakeTlsContext(std::string* pem)
{
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* certificate = X509_new();
    bool ok = key && certificate && X509_set_version(certificate, X509_VERSION_3) &&
              ASN1_INTEGER_set(X509_get_serialNumber(certificate), 1) &&
              X509_gmtime_adj(X509_getm_notBefore(certificate), -3600) &&
              X509_gmtime_adj(X509_getm_notAfter(certificate), 86400) && X509_set_pubkey(certificate, key);
    X509_NAME* name = X509_get_subject_name(certificate);
    ok = ok &&
         X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                                    -1, -1, 0) &&
         X509_set_issuer_name(certificate, name);
    X509V3_CTX v3 {};
    X509V3_set_ctx_nodb(&v3);
    X509V3_set_ctx(&v3, certificate, certificate, nullptr, nullptr, 0);
    for (const auto& [nid, value] : {std::pair {NID_basic_constraints, "critical,CA:TRUE"},
                                     std::pair {NID_subject_alt_name, "IP:127.0.0.1"}}) {
        X509_EXTENSION* extension = ok ? X509V3_EXT_conf_nid(nullptr, &v3, nid, value) : nullptr;
        ok = extension && X509_add_ext(certificate, extension, -1);
        X509_EXTENSION_free(extension);
    }
    ok = ok && X509_sign(certificate, key, EVP_sha256()) > 0;
    SSL_CTX* context = ok ? SSL_CTX_new(TLS_server_method()) : nullptr;
    ok = context && SSL_CTX_use_certificate(context, certificate) == 1 && SSL_CTX_use_PrivateKey(context, key) == 1;
    BIO* text = ok ? BIO_new(BIO_s_mem()) : nullptr;
    char* bytes = nullptr;
    ok = text && PEM_write_bio_X509(text, certificate) == 1;
    if (ok) {
        const long length = BIO_get_mem_data(text, &bytes);
        pem->assign(bytes, static_cast<size_t>(length));
    }
    BIO_free(text);
    X509_free(certificate);
    EVP_PKEY_free(key);
    if (!ok) {
        SSL_CTX_free(context);
        throw std::runtime_error("cannot make the test certificate");
    }
    return context;
}

// One accepted connection, plain or under TLS; closed when it goes.
class Connection {
public:
    Connection(int socket, SSL_CTX* tls) : socket_(socket)
    {
        // A client that stops talking cannot hold the server for long.
        const timeval limit {10, 0};
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(socket_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        if (!tls) return;
        ssl_ = SSL_new(tls);
        failed_ = !ssl_ || SSL_set_fd(ssl_, socket_) != 1 || SSL_accept(ssl_) != 1;
    }
    ~Connection()
    {
        if (ssl_ && !failed_) SSL_shutdown(ssl_);  // the close_notify that ends an unannounced body
        SSL_free(ssl_);
        close(socket_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool Up() const { return !failed_; }

    // The head of a request, up to its empty line.
    std::string ReadRequestHead()
    {
        std::string head;
        char chunk[1024];
        while (Up() && head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            size_t got = 0;
            if (ssl_) {
                failed_ = SSL_read_ex(ssl_, chunk, sizeof chunk, &got) != 1;
            } else {
                const ssize_t n = recv(socket_, chunk, sizeof chunk, 0);
                failed_ = n <= 0;
                got = n > 0 ? static_cast<size_t>(n) : 0;
            }
            head.append(chunk, got);
        }
        return head;
    }

    void SendAll(const std::string& bytes)
    {
        size_t sent = 0;
        while (Up() && sent < bytes.size()) {
            size_t n = 0;
            if (ssl_) {
                failed_ = SSL_write_ex(ssl_, bytes.data() + sent, bytes.size() - sent, &n) != 1;
            } else {
                const ssize_t wrote = send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                failed_ = wrote <= 0;
                n = wrote > 0 ? static_cast<size_t>(wrote) : 0;
            }
            sent += n;
        }
    }

private:
    int socket_;
    SSL* ssl_ = nullptr;
    bool failed_ = false;
};

const char* ReasonOf(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    default: return "Error";
    }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(Scheme scheme)
{
    if (scheme == Https) tls_ = MakeTlsContext(&certificatePem_);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 || getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe(wakePipe_) != 0) {
        SSL_CTX_free(tls_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
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
    SSL_CTX_free(tls_);
}

std::string LoopbackHttpServer::Address() const
{
    return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_);
}

void LoopbackHttpServer::Serve(const std::string& path, const std::string& body, int status)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = Reply {status, body, {}, body.size()};
}

void LoopbackHttpServer::ServeUnannounced(const std::string& path, const std::string& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = Reply {200, body, {}, std::nullopt};
}

void LoopbackHttpServer::ServeAnnouncing(const std::string& path, const std::string& body, size_t announced)
{
    std::lock_guard<std::mutex> lock(mutex_);
    replies_[path] = Reply {200, body, {}, announced};
}

void LoopbackHttpServer::Redirect(const std::string& path, const std::string& location)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const std::string body = "moved to " + location;
    replies_[path] = Reply {302, body, location, body.size()};
}

void LoopbackHttpServer::StaySilent(bool silent) { silent_ = silent; }

std::vector<std::string> LoopbackHttpServer::RequestedPaths() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requested_;
}

void LoopbackHttpServer::Run()
{
    // A client that hangs up mid-answer makes a write fail here, not the
    // whole test program end by SIGPIPE.
    sigset_t pipe;
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
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

void LoopbackHttpServer::Answer(int socket)
{
    if (silent_) {
        heldConnections_.push_back(socket);
        return;
    }
    Connection connection(socket, tls_);
    const std::string head = connection.ReadRequestHead();
    if (!connection.Up()) return;
    // "GET /path HTTP/1.1"
    const size_t start = head.find(' ');
    const size_t end = start == std::string::npos ? start : head.find(' ', start + 1);
    const std::string path = end == std::string::npos ? std::string() : head.substr(start + 1, end - start - 1);
    Reply reply;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requested_.push_back(path);
        const auto found = replies_.find(path);
        if (found != replies_.end()) reply = found->second;
    }
    std::string answer = "HTTP/1.0 " + std::to_string(reply.status) + " " + ReasonOf(reply.status) + "\r\n";
    if (!reply.location.empty()) answer += "Location: " + reply.location + "\r\n";
    if (reply.announced) answer += "Content-Length: " + std::to_string(*reply.announced) + "\r\n";
    connection.SendAll(answer + "Connection: close\r\n\r\n" + reply.body);
}
