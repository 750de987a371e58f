#include "ZeraZov/Delivery/FlushQueue/ZeraZovQueue.h"

namespace zerazov {

// The events and replay queues share this one instantiation.
template class ZeraZovQueue<ZeraZovEvent>;

}  // namespace zerazov
