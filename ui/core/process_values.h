#pragma once
// Process-wide values every layer of the UI reads: the OS version code and the
// element-key counter. Filled once by the start-up sequence on the UI thread.

#include <cstdint>
#include <string_view>

namespace quillmar {

// Small code for the OS version text ("6.1" -> 9); 0 for anything not in the table.
// The framework turns on blur-behind for 8 and 9; tooltips are layered from 8 on.
uint32_t OsVersionCodeFromText(std::string_view versionText);

// The code read at start-up (0 until then, and 0 on platforms without a version text).
uint32_t OsVersionCode();

// Returns the next element key: the counter grows by one and the new value is taken.
int32_t NextObjectId();

// The counter's current value (the last key handed out, or the seed).
int32_t CurrentObjectId();

// Sets the counter to a value in [100000, 400000] picked from seed.
void SeedObjectId(uint32_t seed);

// Runs the start-up steps that need no window system: version code, key counter
// seed and theme defaults. Window classes are registered by the window layer.
void InitProcessValues(std::string_view versionText, uint32_t seed);

}  // namespace quillmar
