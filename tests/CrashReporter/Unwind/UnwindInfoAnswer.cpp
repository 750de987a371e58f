#include "tests/CrashReporter/Unwind/UnwindInfoAnswer.h"

#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace tessivar::testing::unwind {

// "      [0]: function offset=0x000006e0, encoding[0]=0x01000000" and the top
// level's "    [1]: function offset=0x000007cf, 2nd level page offset=0x00000000, ..."
UnwindInfoAnswer unwindInfoAnswer(const std::string& fixture) {
    std::ifstream in(std::string(TESSIVAR_MACHO_FIXTURES) + "/answers/" + fixture + ".unwind-info");
    if (!in) throw std::runtime_error("no unwind-info answer for " + fixture);
    UnwindInfoAnswer answer;
    for (std::string line; std::getline(in, line);) {
        unsigned index = 0;
        unsigned long long offset = 0;
        unsigned encodingIndex = 0;
        unsigned encoding = 0;
        unsigned long long page = 0;
        if (std::sscanf(line.c_str(), " [%u]: function offset=%llx, encoding[%u]=%x", &index, &offset, &encodingIndex,
                        &encoding) == 4) {
            answer.entries.push_back({offset, encoding});
        } else if (std::sscanf(line.c_str(), " [%u]: function offset=%llx, 2nd level page offset=%llx", &index, &offset,
                               &page) == 3 &&
                   page == 0) {
            answer.end = offset;
        }
    }
    return answer;
}

}  // namespace tessivar::testing::unwind
