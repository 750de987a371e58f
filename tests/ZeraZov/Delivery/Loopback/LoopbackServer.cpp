#include "LoopbackServer.h"

#include <sys/socket.h>

#include <chrono>
#include <stdexcept>
#include "tests/support/WaitUntil.h"

namespace zerazov::testing {
namespace {

// Bounds that keep a broken test from hanging the suite.
constexpr auto startLimit = std::chrono::seconds(5);
constexpr auto holdLimit = std::chrono::seconds(10);

std::unique_ptr<httplib::Server> makeServer(LoopbackServer::Scheme scheme) {
    if (scheme == LoopbackServer::Scheme::http) return std::make_unique<httplib::Server>();
    const auto key = std::string(TESSIVAR_TLS_FIXTURES) + "/loopback-key.pem";
    return std::make_unique<httplib::SSLServer>(LoopbackServer::certificatePath().c_str(), key.c_str());
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
    const auto found = headers.find(name);
    return found == headers.end() ? std::string() : found->second;
}

bool RecordedRequest::hasHeader(const std::string& name) const { return headers.find(name) != headers.end(); }

LoopbackServer::LoopbackServer(Scheme scheme, int port) : scheme_(scheme), server_(makeServer(scheme)) {
    if (!server_->is_valid()) throw std::runtime_error("test server could not be created");
    const auto route = [this](const httplib::Request& request, httplib::Response& response) {
        handle(request, response);
    };
    // An idle kept-alive connection holds one of the server's few threads for seconds;
    // closing after each answer lets many parallel clients through.
    server_->set_keep_alive_max_count(1);
    // The library's default lets a second server share a port it binds; a test that
    // names its port must own it, or another test's client reaches it unseen.
    server_->set_socket_options([](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    });
    server_->Get(".*", route);
    server_->Post(".*", route);
    port_ = port == 0 ? server_->bind_to_any_port("127.0.0.1") : (server_->bind_to_port("127.0.0.1", port) ? port : -1);
    if (port_ <= 0) throw std::runtime_error("test server could not bind 127.0.0.1:" + std::to_string(port));
    listener_ = std::thread([this] { server_->listen_after_bind(); });
    // stop() only reaches a server whose loop runs, so wait for it before handing out the URL.
    if (tessivar::testing::waitUntil([&] { return server_->is_running(); }, startLimit, std::chrono::milliseconds(1))) {
        return;
    }
    listener_.join();
    throw std::runtime_error("test server did not start");
}

LoopbackServer::~LoopbackServer() {
    release();
    server_->stop();
    listener_.join();
}

std::string LoopbackServer::certificatePath() { return std::string(TESSIVAR_TLS_FIXTURES) + "/loopback-cert.pem"; }

std::string LoopbackServer::url() const {
    return std::string(scheme_ == Scheme::http ? "http" : "https") + "://127.0.0.1:" + std::to_string(port_);
}

void LoopbackServer::answer(Handler handler) {
    std::lock_guard guard(lock_);
    handler_ = std::move(handler);
}

void LoopbackServer::holdAnswers() {
    std::lock_guard guard(lock_);
    holding_ = true;
}

void LoopbackServer::release() {
    {
        std::lock_guard guard(lock_);
        holding_ = false;
    }
    released_.notify_all();
}

std::vector<RecordedRequest> LoopbackServer::requests() const {
    std::lock_guard guard(lock_);
    return requests_;
}

void LoopbackServer::forgetRequests() {
    std::lock_guard guard(lock_);
    requests_.clear();
}

void LoopbackServer::handle(const httplib::Request& request, httplib::Response& response) {
    Handler handler;
    {
        std::lock_guard guard(lock_);
        requests_.push_back({request.method, request.path, request.params, request.headers, request.body});
        handler = handler_;
    }
    waitWhileHeld();
    if (handler) return handler(request, response);
    response.set_content("{}", "application/json");
}

void LoopbackServer::waitWhileHeld() {
    std::unique_lock guard(lock_);
    released_.wait_for(guard, holdLimit, [this] { return !holding_; });
}

}  // namespace zerazov::testing
