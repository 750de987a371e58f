// Events per second through the events queue's whole upload path, beside posting
// the same gzipped bodies with plain libcurl. Everything goes to one HTTP server on
// 127.0.0.1, started once for the program; it answers every request 200 "{}" and,
// as for the tests, closes each connection after its answer, so both paths connect
// once per request. Each iteration moves kEvents events; times are wall-clock, as
// the work runs on the queue's worker and the HTTP client's thread.
//
// QueueAddAndFlush, the headline figure: timed from the first add until the queue
// is empty. Each add stores a file (renamed into place, the disk syncs grouped on
// the queue's worker: see zerazov_queue_add_bench) and, through the default
// after-add action, starts a flush once flushAt (default 20) records wait; after
// the last add the benchmark asks for flushes until nothing is left. A flush posts
// a batch of up to maxBatchSize (default 50) records on the client's libcurl multi
// thread and, on the 200, takes the records off the queue; their files are deleted
// on the queue's background worker. While that upload is under way the queue reads
// the next batch's files, checks that each is the JSON the client writes and
// compresses the body around them up to its "sent_at", so that the next flush only
// adds the time of sending (the first batch of an iteration is read when its flush
// comes). As the threshold flushes race the adds, the batches need not be full
// (while adds are slower than uploads each holds flushAt events): the "requests"
// counter says how many went out per iteration.
// QueueFlush: the same events stored before the timer starts, without threshold
// flushes, then timed from the first flush until the queue is empty: kEvents /
// maxBatchSize requests of maxBatchSize events, the very shape of the reference.
// CurlPost, the reference: the batch bodies the queue sends for those events,
// written and gzipped once before timing with the client's own compressor, posted
// one after another through one reused libcurl easy handle with the client's
// headers. "body_bytes" is the mean body size the server read (inflated).
//
// Waiting for the queue never spins: the benchmark sleeps on a condition that each
// upload's completion signals, and gives up with an error after kDrainLimit.
//
// The queue's folder is made under TMPDIR (or /tmp); TMPDIR=/dev/shm shows what the
// queue costs when the disk costs nothing. Each benchmark runs for at least kMinSeconds
// of measured time, as an iteration of the queue's can take a good part of a second.
#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "LoopbackServer.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "RatioReporter.h"
#include "SampleEvent.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"

namespace {

using zerazov::ZeraZovEvent;
using EventQueue = zerazov::ZeraZovQueue<ZeraZovEvent>;

constexpr int kEvents = 500;
constexpr auto kDrainLimit = std::chrono::seconds(30);
constexpr long kRequestTimeoutMilliseconds = 10000;
constexpr const char* kToken = "zzk_bench";
constexpr double kMinSeconds = 2.0;

// What the server saw, counted by its answer handler.
struct ServerTally {
    std::atomic<std::uint64_t> requests{0};
    std::atomic<std::uint64_t> bodyBytes{0};
};

zerazov::testing::LoopbackServer* server = nullptr;
ServerTally serverTally;

// The events of one iteration: a realistic captured event, as in
// zerazov_queue_add_bench, each with its own id and millisecond.
const std::vector<ZeraZovEvent>& events() {
    static const std::vector<ZeraZovEvent> made = [] {
        const auto start = std::chrono::system_clock::time_point(std::chrono::milliseconds(1714564800123));
        std::vector<ZeraZovEvent> list;
        for (int i = 0; i < kEvents; ++i) {
            char uuid[40];
            std::snprintf(uuid, sizeof uuid, "0190A0B0-1C2D-7E3F-8A4B-%012X", i);
            const auto stamp = zerazov::toISO8601String(start + std::chrono::milliseconds(i));
            list.push_back(*ZeraZovEvent::fromJSON(tessivar::bench::sampleEvent(uuid, stamp)));
        }
        return list;
    }();
    return made;
}

// Upload completions as the queue sees them, for a benchmark thread that sleeps
// until the next one.
class UploadTally {
public:
    void finished(bool answered200) {
        {
            std::lock_guard guard(lock_);
            ++finished_;
            if (!answered200) ++failed_;
        }
        changed_.notify_all();
    }

    std::uint64_t finishedCount() const {
        std::lock_guard guard(lock_);
        return finished_;
    }

    bool anyFailed() const {
        std::lock_guard guard(lock_);
        return failed_ > 0;
    }

    // False when no completion came after the `seen`-th by the deadline.
    bool waitPast(std::uint64_t seen, std::chrono::steady_clock::time_point deadline) {
        std::unique_lock guard(lock_);
        return changed_.wait_until(guard, deadline, [&] { return finished_ > seen; });
    }

private:
    mutable std::mutex lock_;
    std::condition_variable changed_;
    std::uint64_t finished_ = 0;
    std::uint64_t failed_ = 0;
};

// A queue of events over a real folder and a real HTTP client pointed at the server,
// built outside the measurement. No timer and no reachability monitor: only adds and
// the benchmark's flushes start uploads.
struct QueueSetUp {
    QueueSetUp() {
        auto endpoint = zerazov::QueueEndpoints::events(api);
        // The client's own upload of stored events, with its completion reported to the
        // tally after the queue has handled it (taken the batch off, ended the flush).
        using Endpoint = zerazov::QueueEndpoint<ZeraZovEvent>;
        endpoint.prepareWireForms = [prepare = endpoint.prepareWireForms,
                                     tally = uploads](std::vector<std::string> batch) {
            auto send = prepare(std::move(batch));
            return Endpoint::WireFormsUpload([send = std::move(send), tally](Endpoint::UploadCompletion done) {
                send([done = std::move(done), tally](zerazov::ZeraZovUploadInfo info) {
                    const bool answered200 = info.statusCode == 200;
                    done(std::move(info));
                    tally->finished(answered200);
                });
            });
        };
        queue = EventQueue::create(config, storage, nullptr, std::move(endpoint), mainQueue);
    }

    // Flushes until no record is left; the error's text when that does not happen.
    const char* drain() {
        const auto deadline = std::chrono::steady_clock::now() + kDrainLimit;
        for (;;) {
            // Read before the depth: a completion that lands in between then still wakes the wait.
            const auto seen = uploads->finishedCount();
            if (uploads->anyFailed()) return "an upload was not answered 200";
            if (queue->depth() == 0) return nullptr;
            // Either this flush uploads, or one already uploading is about to complete.
            queue->flush();
            if (!uploads->waitPast(seen, deadline)) return "the queue did not empty in time";
        }
    }

    platform::TemporaryDirectory folder;
    zerazov::ZeraZovStorage storage{folder.path(), kToken};
    std::shared_ptr<zerazov::ZeraZovConfig> config = std::make_shared<zerazov::ZeraZovConfig>(kToken, server->url());
    std::shared_ptr<const zerazov::ZeraZovApi> api = std::make_shared<zerazov::ZeraZovApi>(config);
    std::shared_ptr<UploadTally> uploads = std::make_shared<UploadTally>();
    platform::ManualMainQueue mainQueue;
    std::shared_ptr<EventQueue> queue;
};

// Requests and mean body size the server saw while a benchmark ran.
class ServerCounters {
public:
    ServerCounters() : requests_(serverTally.requests.load()), bodyBytes_(serverTally.bodyBytes.load()) {}

    void report(benchmark::State& state) const {
        const auto requests = serverTally.requests.load() - requests_;
        const auto bodyBytes = serverTally.bodyBytes.load() - bodyBytes_;
        state.counters["requests"] = benchmark::Counter(static_cast<double>(requests), benchmark::Counter::kAvgIterations);
        if (requests > 0) state.counters["body_bytes"] = static_cast<double>(bodyBytes) / static_cast<double>(requests);
    }

private:
    std::uint64_t requests_;
    std::uint64_t bodyBytes_;
};

// Leaves the queue settled (its files deleted, so that deleting them does not
// slow the next iteration) and the server's record empty, outside the measurement.
void settle(benchmark::State& state, QueueSetUp* setUp) {
    state.PauseTiming();
    if (setUp) {
        setUp->queue->waitForDispatchedFlushes();
        setUp->queue->finishRemovals();
    }
    server->forgetRequests();
    state.ResumeTiming();
}

// Moves kEvents events through the queue each iteration, timing their adds or not.
void QueueBenchmark(benchmark::State& state, bool timeAdds) {
    QueueSetUp setUp;
    const ServerCounters counters;
    for (auto _ : state) {
        if (!timeAdds) state.PauseTiming();
        for (const auto& event : events()) {
            // Untimed adds must not start flushes of their own.
            if (timeAdds) {
                setUp.queue->add(event);
            } else {
                setUp.queue->add(event, {});
            }
        }
        if (!timeAdds) state.ResumeTiming();
        if (const char* error = setUp.drain()) {
            state.SkipWithError(error);
            break;
        }
        settle(state, &setUp);
    }
    counters.report(state);
    state.SetItemsProcessed(state.iterations() * kEvents);
}

void QueueAddAndFlush(benchmark::State& state) { QueueBenchmark(state, true); }
void QueueFlush(benchmark::State& state) { QueueBenchmark(state, false); }

// The "/batch" bodies the queue sends for the events, in batches of the
// configuration's default maxBatchSize, gzipped as the client does.
std::optional<std::vector<std::string>> referenceBodies() {
    const zerazov::ZeraZovConfig defaults(kToken);
    const auto batchSize = static_cast<std::size_t>(defaults.maxBatchSize.load());
    std::vector<std::string> bodies;
    for (std::size_t first = 0; first < events().size(); first += batchSize) {
        auto batch = nlohmann::json::array();
        for (std::size_t i = first; i < std::min(first + batchSize, events().size()); ++i) {
            batch.push_back(events()[i].toJSON());
        }
        const nlohmann::json body{{"api_key", kToken},
                                  {"batch", batch},
                                  {"sent_at", zerazov::toISO8601String(std::chrono::system_clock::now())}};
        auto gzipped = zerazov::Gzip::gzipped(body.dump());
        if (!std::holds_alternative<std::string>(gzipped)) return std::nullopt;
        bodies.push_back(std::move(std::get<std::string>(gzipped)));
    }
    return bodies;
}

// Keeps the answer, as the client does.
std::size_t keep(char* data, std::size_t size, std::size_t count, void* answer) {
    static_cast<std::string*>(answer)->append(data, size * count);
    return size * count;
}

void CurlPost(benchmark::State& state) {
    const auto bodies = referenceBodies();
    if (!bodies) return state.SkipWithError("gzip failed");
    const auto url = server->url() + "/batch";
    // The headers the client sends; libcurl adds Accept-Encoding itself when asked to.
    const zerazov::ZeraZovApi api(std::make_shared<zerazov::ZeraZovConfig>(kToken, server->url()));
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : api.sessionHeaders()) {
        if (name != "Accept-Encoding") headers = curl_slist_append(headers, (name + ": " + value).c_str());
    }
    headers = curl_slist_append(headers, "Content-Encoding: gzip");
    headers = curl_slist_append(headers, "Expect:");
    CURL* curl = curl_easy_init();
    std::string answer;
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_POST, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip");
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, kRequestTimeoutMilliseconds);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &keep);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &answer);
    const ServerCounters counters;
    for (auto _ : state) {
        bool answered200 = true;
        for (const auto& body : *bodies) {
            answer.clear();
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
            long status = 0;
            if (curl_easy_perform(curl) == CURLE_OK) curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            answered200 = answered200 && status == 200;
        }
        if (!answered200) {
            state.SkipWithError("a post was not answered 200");
            break;
        }
        settle(state, nullptr);
    }
    counters.report(state);
    state.SetItemsProcessed(state.iterations() * kEvents);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
}

BENCHMARK(CurlPost)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinSeconds);
BENCHMARK(QueueFlush)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinSeconds);
BENCHMARK(QueueAddAndFlush)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinSeconds);

// The name the library gives a run of these settings.
std::string runName(const char* benchmark) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "/min_time:%0.3f/real_time", kMinSeconds);
    return benchmark + std::string(suffix);
}

}  // namespace

int main(int argc, char** argv) {
    // A proxy from the environment would take the loopback requests somewhere else.
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    // Before any thread starts: libcurl's global set-up is not thread-safe.
    curl_global_init(CURL_GLOBAL_DEFAULT);
    benchmark::Initialize(&argc, argv);
    {
        zerazov::testing::LoopbackServer loopback;
        loopback.answer([](const httplib::Request& request, httplib::Response& response) {
            serverTally.requests.fetch_add(1);
            serverTally.bodyBytes.fetch_add(request.body.size());
            response.set_content("{}", "application/json");
        });
        server = &loopback;
        tessivar::bench::RatioReporter reporter({{runName("QueueAddAndFlush"), runName("CurlPost")},
                                                 {runName("QueueFlush"), runName("CurlPost")}});
        benchmark::RunSpecifiedBenchmarks(&reporter);
        server = nullptr;
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
