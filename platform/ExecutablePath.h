// The executable's own path, for placing the data file beside it.
#pragma once

#include <QString>
#include <optional>

namespace platform {

// The full path of the running executable (read from /proc/self/exe);
// absent when it cannot be determined. Tests may override it.
std::optional<QString> ExecutableFilePath();
void SetExecutableFilePathForTesting(std::optional<QString> path);
void ClearExecutableFilePathOverride();

}  // namespace platform
