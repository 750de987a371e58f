#include "ZeraZov/Delivery/ZeraZovQueue.h"

namespace zerazov {

// The events and replay queues share this one instantiation.
template class ZeraZovQueue<ZeraZovEvent>;

}  // namespace zerazov
