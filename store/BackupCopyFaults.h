// Faults the start-up copy can be made to meet, so that a test can walk
// every route that places the copy (each one as on a system that lacks the
// routes before it) and see what a copy does when its write or flush fails.
// On a given machine only the first route ever runs, so without these a
// route that stopped working would go unseen. The program never sets them.
#pragma once

#include <functional>

struct BackupCopyFaults {
    // Missing facilities, each reported with the error a system without it
    // gives.
    bool noUnnamedFiles = false; // O_TMPFILE refused: a hidden temporary name instead
    bool noRenameNoReplace = false; // renameat2 unknown: a hard link to the temporary name
    bool noProc = false; // /proc not mounted: the unnamed file linked by its descriptor
    // Failures of the copy itself.
    bool diskFull = false; // every write of the copy fails with ENOSPC
    bool failingFlush = false; // flushing the copy to disk fails with EIO
    // Runs just before the finished copy is placed, where another start may
    // take the name.
    std::function<void()> beforePlacing;

    // How the last copy was placed, set by the copy.
    enum class Route { None, UnnamedThroughProc, UnnamedByDescriptor, RenameNoReplace, HardLink };
    Route placedBy = Route::None;
};

// The faults the following copies meet; nullptr, the default, for none.
void SetBackupCopyFaultsForTesting(BackupCopyFaults* faults);
