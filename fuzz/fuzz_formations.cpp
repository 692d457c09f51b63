// libFuzzer target: the formation reader on any bytes in memory gives ten formations of kinds
// 0..3, with nothing left over from what the table held before.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "records/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::memset(formations, 0x5A, sizeof formations);
    std::istringstream in(std::string(reinterpret_cast<const char*>(bytes), size));
    ReadFormations(in);
    for (const auto& formation : formations)
        for (const auto& column : formation)
            for (int32_t kind : column)
                if (kind < 0 || kind > 3) std::abort();
    return 0;
}
