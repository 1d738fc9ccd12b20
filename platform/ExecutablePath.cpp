// The running executable's path, from /proc/self/exe.
#include "platform/ExecutablePath.h"

#include "platform/FileName.h"

#include <filesystem>
#include <system_error>

namespace platform {

namespace {
struct Override {
    bool active = false;
    std::optional<QString> path;
};
Override& TestOverride()
{
    static Override o;
    return o;
}
}  // namespace

std::optional<QString> ExecutableFilePath()
{
    if (TestOverride().active)
        return TestOverride().path;
    std::error_code ec;
    std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || p.empty())
        return std::nullopt;
    return DecodeFileName(QByteArray::fromStdString(p.native()));
}

void SetExecutableFilePathForTesting(std::optional<QString> path)
{
    TestOverride().active = true;
    TestOverride().path = std::move(path);
}

void ClearExecutableFilePathOverride() { TestOverride() = Override{}; }

}  // namespace platform
