// Events per second through the events queue's whole upload path, beside posting
// the same gzipped bodies with plain libcurl. Everything goes to one HTTP server on
// 127.0.0.1, started once for the program; it answers every request 200 "{}" and,
// as for the tests, closes each connection after its answer, so both paths connect
// once per request. Each iteration moves kEvents events; times are wall-clock, as
// the work runs on the queue's worker and the HTTP client's thread.
//
// QueueAddAndFlush, the headline figure: timed from the first add until the queue
// is empty. Each add stores a file (a kept spare filled and renamed into place,
// the disk syncs grouped on the queue's worker: see zerazov_queue_add_bench) and,
// through the default
// after-add action, starts a flush once flushAt (default 20) records wait; after
// the last add the benchmark asks for flushes until nothing is left. A flush posts
// a batch of up to maxBatchSize (default 50) records on the client's libcurl multi
// thread and, on the 200, takes the records off the queue; their files are emptied
// and kept as spares on the queue's background worker. While that upload is under way the queue reads
// the next batch's files, checks that each is the JSON the client writes and
// compresses the body around them up to its "sent_at", so that the next flush only
// adds the time of sending (the first batch of an iteration is read when its flush
// comes). As the threshold flushes race the adds, the batches need not be full
// (while adds are slower than uploads each holds flushAt events): the "requests"
// counter says how many went out per iteration.
// QueueFlush: the same events stored before the timer starts, without threshold
// flushes, then timed from the first flush until the queue is empty: kEvents /
// maxBatchSize requests of maxBatchSize events, the very shape of the reference.
// CurlPost, the reference: the least work that gives the same events the same
// durability and the server the same bodies. The event texts the queue stores are
// written one file each into a folder beside the queue's, then every batch of the
// configuration's maxBatchSize is put together from those texts, gzipped with the
// client's compressor, posted through one reused libcurl easy handle with the
// client's headers, and its files are unlinked: all of it timed. "body_bytes" is
// the mean body size the server read (inflated).
//
// Waiting for the queue never spins: the benchmark sleeps on a condition that each
// upload's completion signals, and gives up with an error after kDrainLimit.
//
// Each benchmark runs in two places, both under a private HOME made for the run,
// where the queue lives in the folder the program really uses (its XDG data
// folder): "disk" under TESSIVAR_BENCH_DISK_DIR (default /var/tmp) and "tmpfs"
// under /dev/shm, which shows what the queue costs when the disk costs nothing.
// The label names the file system found there. Each benchmark runs for at least
// kMinSeconds of measured time, as an iteration of the queue's can take a good
// part of a second. The file systems keep some cost of deleted files for a while,
// so figures are steadier with --benchmark_repetitions=3
// --benchmark_enable_random_interleaving=true (the ratios then compare medians).
#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "LoopbackServer.h"
#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/Paths.h"
#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/ManualMainQueue.h"
#include "PrivateHome.h"
#include "RatioReporter.h"
#include "SampleEvent.h"
#include "ZeraZov/Core/Config/ZeraZovConfig.h"
#include "ZeraZov/Core/Events/ZeraZovAPIDateFormatter.h"
#include "ZeraZov/Core/Events/ZeraZovEvent.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "ZeraZov/Delivery/Api/Gzip.h"
#include "ZeraZov/Delivery/Api/ZeraZovApi.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"

namespace {

namespace fs = std::filesystem;
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

// Where a benchmark's files go: the private HOME on the disk, or the one on tmpfs.
enum class Place { disk, tmpfs };
const tessivar::bench::PrivateHome* homes[2] = {nullptr, nullptr};

// Makes the place's private HOME the process's, so that the program's data folder
// is there; false (the benchmark skipped) when it could not be made.
bool enter(benchmark::State& state, Place place) {
    const auto* home = homes[static_cast<int>(place)];
    if (!home || !home->valid()) {
        state.SkipWithError("no private HOME there");
        return false;
    }
    home->enter();
    state.SetLabel(home->fileSystem());
    return true;
}

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

    std::shared_ptr<zerazov::ZeraZovConfig> config = std::make_shared<zerazov::ZeraZovConfig>(kToken, server->url());
    // The program's own data folder under the HOME of the moment.
    zerazov::ZeraZovStorage storage{*config, platform::BundleInfo::main()};
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
        state.counters["requests"] =
            benchmark::Counter(static_cast<double>(requests), benchmark::Counter::kAvgIterations);
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
void QueueBenchmark(benchmark::State& state, Place place, bool timeAdds) {
    if (!enter(state, place)) return;
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

void QueueAddAndFlush(benchmark::State& state, Place place) { QueueBenchmark(state, place, true); }
void QueueFlush(benchmark::State& state, Place place) { QueueBenchmark(state, place, false); }

// The events as the queue stores them, one text each.
const std::vector<std::string>& eventTexts() {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> list;
        for (const auto& event : events()) list.push_back(zerazov::QueueEndpoints::encode(event).value_or(""));
        return list;
    }();
    return texts;
}

// A new file holding the text: open, write, close.
bool writeRecord(const fs::path& file, const std::string& text) {
    platform::UniqueFd fd(::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!fd.valid()) return false;
    const bool written = ::write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size());
    return fd.close() && written;
}

// The "/batch" body of the texts [first, last), gzipped as the client does.
std::optional<std::string> batchBody(std::size_t first, std::size_t last) {
    std::string body = std::string(R"({"api_key":")") + kToken + R"(","batch":[)";
    for (std::size_t i = first; i < last; ++i) {
        if (i > first) body += ',';
        body += eventTexts()[i];
    }
    body += R"(],"sent_at":")" + zerazov::toISO8601String(std::chrono::system_clock::now()) + R"("})";
    auto gzipped = zerazov::Gzip::gzipped(body);
    if (!std::holds_alternative<std::string>(gzipped)) return std::nullopt;
    return std::move(std::get<std::string>(gzipped));
}

// Keeps the answer, as the client does.
std::size_t keep(char* data, std::size_t size, std::size_t count, void* answer) {
    static_cast<std::string*>(answer)->append(data, size * count);
    return size * count;
}

// One reused libcurl easy handle that posts gzipped "/batch" bodies with the
// client's headers.
class CurlPoster {
public:
    CurlPoster() : url_(server->url() + "/batch") {
        // The headers the client sends; libcurl adds Accept-Encoding itself when asked to.
        const zerazov::ZeraZovApi api(std::make_shared<zerazov::ZeraZovConfig>(kToken, server->url()));
        for (const auto& [name, value] : api.sessionHeaders()) {
            if (name != "Accept-Encoding") headers_ = curl_slist_append(headers_, (name + ": " + value).c_str());
        }
        headers_ = curl_slist_append(headers_, "Content-Encoding: gzip");
        headers_ = curl_slist_append(headers_, "Expect:");
        curl_easy_setopt(curl_, CURLOPT_URL, url_.c_str());
        curl_easy_setopt(curl_, CURLOPT_POST, 1L);
        curl_easy_setopt(curl_, CURLOPT_HTTPHEADER, headers_);
        curl_easy_setopt(curl_, CURLOPT_ACCEPT_ENCODING, "gzip");
        curl_easy_setopt(curl_, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl_, CURLOPT_TIMEOUT_MS, kRequestTimeoutMilliseconds);
        curl_easy_setopt(curl_, CURLOPT_WRITEFUNCTION, &keep);
        curl_easy_setopt(curl_, CURLOPT_WRITEDATA, &answer_);
    }
    ~CurlPoster() {
        curl_easy_cleanup(curl_);
        curl_slist_free_all(headers_);
    }
    CurlPoster(const CurlPoster&) = delete;
    CurlPoster& operator=(const CurlPoster&) = delete;

    // True when the server answered 200.
    bool post(const std::string& body) {
        answer_.clear();
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(curl_, CURLOPT_POSTFIELDS, body.data());
        long status = 0;
        if (curl_easy_perform(curl_) == CURLE_OK) curl_easy_getinfo(curl_, CURLINFO_RESPONSE_CODE, &status);
        return status == 200;
    }

private:
    const std::string url_;
    CURL* curl_ = curl_easy_init();
    curl_slist* headers_ = nullptr;
    std::string answer_;
};

// One iteration of the reference: every text written to a file of the folder,
// then batch by batch put together, gzipped, posted and its files unlinked. The
// error's text on failure.
const char* postThroughFiles(CurlPoster& poster, const fs::path& folder) {
    const auto& texts = eventTexts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (!writeRecord(folder / std::to_string(i), texts[i])) return "a record file could not be written";
    }
    const zerazov::ZeraZovConfig defaults(kToken);
    const auto batchSize = static_cast<std::size_t>(defaults.maxBatchSize.load());
    for (std::size_t first = 0; first < texts.size(); first += batchSize) {
        const auto last = std::min(first + batchSize, texts.size());
        const auto body = batchBody(first, last);
        if (!body) return "gzip failed";
        if (!poster.post(*body)) return "a post was not answered 200";
        for (auto i = first; i < last; ++i) ::unlink((folder / std::to_string(i)).c_str());
    }
    return nullptr;
}

void CurlPost(benchmark::State& state, Place place) {
    if (!enter(state, place)) return;
    // Beside the program's folder, on the same file system.
    const auto folder = platform::Paths::dataHome() / "curl-post-reference";
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) return state.SkipWithError("the reference's folder could not be made");
    CurlPoster poster;
    const ServerCounters counters;
    for (auto _ : state) {
        if (const char* failure = postThroughFiles(poster, folder)) {
            state.SkipWithError(failure);
            break;
        }
        settle(state, nullptr);
    }
    counters.report(state);
    state.SetItemsProcessed(state.iterations() * kEvents);
}

#define PLACED_BENCHMARK(name, place) \
    BENCHMARK_CAPTURE(name, place, Place::place)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(kMinSeconds)

PLACED_BENCHMARK(CurlPost, disk);
PLACED_BENCHMARK(QueueFlush, disk);
PLACED_BENCHMARK(QueueAddAndFlush, disk);
PLACED_BENCHMARK(CurlPost, tmpfs);
PLACED_BENCHMARK(QueueFlush, tmpfs);
PLACED_BENCHMARK(QueueAddAndFlush, tmpfs);

// The name the library gives a run of these settings in that place.
std::string runName(const char* benchmark, const char* place) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "/min_time:%0.3f/real_time", kMinSeconds);
    return benchmark + std::string("/") + place + suffix;
}

// Each figure beside the reference measured in the same place.
std::vector<std::pair<std::string, std::string>> ratioPairs() {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const char* place : {"disk", "tmpfs"}) {
        for (const char* figure : {"QueueAddAndFlush", "QueueFlush"}) {
            pairs.emplace_back(runName(figure, place), runName("CurlPost", place));
        }
    }
    return pairs;
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
        const char* diskParent = std::getenv("TESSIVAR_BENCH_DISK_DIR");
        const tessivar::bench::PrivateHome disk(diskParent ? diskParent : "/var/tmp");
        const tessivar::bench::PrivateHome tmpfs("/dev/shm");
        homes[static_cast<int>(Place::disk)] = &disk;
        homes[static_cast<int>(Place::tmpfs)] = &tmpfs;
        tessivar::bench::RatioReporter reporter(ratioPairs());
        benchmark::RunSpecifiedBenchmarks(&reporter);
        homes[0] = homes[1] = nullptr;
        server = nullptr;
    }
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
