#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <httplib.h>

namespace zerazov::testing {

// What the server saw of one request; a gzip body arrives already inflated by the server.
struct RecordedRequest {
    std::string method;
    std::string path;
    httplib::Params query;
    httplib::Headers headers;
    std::string body;

    std::string header(const std::string& name) const;
    bool hasHeader(const std::string& name) const;
};

// An HTTP or HTTPS server on 127.0.0.1 with a port of its own, for one test. It records
// every request and answers with the test's handler (200 and "{}" by default). Answers
// can be held back to let clients time out; the destructor releases them and stops.
class LoopbackServer {
public:
    enum class Scheme { http, https };
    using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;

    // Port 0: a free port of its own; another: that one (the constructor throws when it is taken).
    explicit LoopbackServer(Scheme scheme = Scheme::http, int port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    static std::string certificatePath();

    // "http://127.0.0.1:<port>" or "https://127.0.0.1:<port>".
    std::string url() const;
    int port() const { return port_; }

    void answer(Handler handler);
    // Answers wait until release() (or at most holdLimit) before they are sent.
    void holdAnswers();
    void release();

    std::vector<RecordedRequest> requests() const;
    // Drops what requests() holds so far; a long benchmark would otherwise keep every body.
    void forgetRequests();

private:
    void handle(const httplib::Request& request, httplib::Response& response);
    void waitWhileHeld();

    Scheme scheme_;
    std::unique_ptr<httplib::Server> server_;
    int port_ = -1;
    std::thread listener_;

    mutable std::mutex lock_;  // guards the fields below
    std::condition_variable released_;
    Handler handler_;
    bool holding_ = false;
    std::vector<RecordedRequest> requests_;
};

}  // namespace zerazov::testing
