// What this process holds in memory, for tests that bound its growth.
#pragma once

namespace krv::samples {

/// Resident memory of this process in MiB (VmRSS); 0 when it cannot be read.
double resident_mib();

} // namespace krv::samples
