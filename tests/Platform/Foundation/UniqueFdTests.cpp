#include "Platform/Foundation/UniqueFd.h"

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include <gtest/gtest.h>

namespace platform {
namespace {

bool isOpen(int fd) { return ::fcntl(fd, F_GETFD) != -1; }

int openNull() { return ::open("/dev/null", O_RDONLY | O_CLOEXEC); }

// Every way a descriptor leaves its owner closes it exactly once, or hands it on.
TEST(UniqueFdTest, EachWayOutClosesOnceOrHandsTheDescriptorOn) {
    int fd = openNull();
    { const UniqueFd owner(fd); }
    EXPECT_FALSE(isOpen(fd)) << "scope end";

    fd = openNull();
    UniqueFd first(fd);
    UniqueFd second(std::move(first));
    EXPECT_FALSE(first.valid());
    UniqueFd third;
    third = std::move(second);
    EXPECT_TRUE(isOpen(fd)) << "moves";
    EXPECT_EQ(third.get(), fd);

    const int replacement = openNull();
    third.reset(replacement);
    EXPECT_FALSE(isOpen(fd)) << "reset";
    EXPECT_TRUE(third.close());
    EXPECT_FALSE(isOpen(replacement)) << "close";
    EXPECT_FALSE(third.close()) << "a second close has nothing to close";

    fd = openNull();
    UniqueFd released(fd);
    EXPECT_EQ(released.release(), fd);
    { const UniqueFd gone(std::move(released)); }
    EXPECT_TRUE(isOpen(fd)) << "release";
    ::close(fd);
}

}  // namespace
}  // namespace platform
