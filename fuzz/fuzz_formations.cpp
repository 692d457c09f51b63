// libFuzzer target: any qfel.dat gives ten formations of kinds 0..3, and reading is stable:
// the table written back in the file's layout reads as the same table.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "game/world.h"
#include "records/records.h"

namespace {

// The file's layout: each formation row by row, top row first, each row left to right.
std::string FormatFormations() {
    std::string text;
    for (const auto& formation : formations)
        for (int row = 0; row < FORMATION_ROWS; ++row) {
            for (int column = 0; column < FORMATION_COLUMNS; ++column)
                text += std::to_string(formation[column][row]) + (column + 1 < FORMATION_COLUMNS ? " " : "\n");
        }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    EnterScratchFolder("formations");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    WriteWholeFile("qfel.dat", bytes, size);
    // Leftovers of the previous input must not survive a new read.
    std::memset(formations, 0x5A, sizeof formations);
    LoadFormations();
    for (const auto& formation : formations)
        for (const auto& column : formation)
            for (int32_t kind : column)
                if (kind < 0 || kind > 3) std::abort();

    FormationTable first;
    std::memcpy(first, formations, sizeof first);
    const std::string text = FormatFormations();
    WriteWholeFile("qfel.dat", reinterpret_cast<const uint8_t*>(text.data()), text.size());
    LoadFormations();
    if (std::memcmp(first, formations, sizeof first) != 0) std::abort();
    return 0;
}
