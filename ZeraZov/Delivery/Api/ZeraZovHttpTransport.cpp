#include "ZeraZov/Delivery/Api/ZeraZovHttpTransport.h"

#include <utility>

#include "Platform/Foundation/ThreadStart.h"
#include "ZeraZov/Delivery/Api/Private/ZeraZovHttpWorker.h"

namespace zerazov {

ZeraZovHttpTransport::ZeraZovHttpTransport(std::optional<std::string> caFile)
    : worker_(std::make_shared<ZeraZovHttpWorker>(std::move(caFile))),
      // The thread shares the worker so that it can outlive this object when detached.
      thread_(platform::startThread([worker = worker_] { worker->run(); })) {}

ZeraZovHttpTransport::~ZeraZovHttpTransport() {
    worker_->stop();
    if (thread_.get_id() == std::this_thread::get_id()) {
        thread_.detach();
        return;
    }
    thread_.join();
}

void ZeraZovHttpTransport::send(ZeraZovHttpRequest request, Completion completion) {
    worker_->send(std::move(request), std::move(completion));
}

}  // namespace zerazov
