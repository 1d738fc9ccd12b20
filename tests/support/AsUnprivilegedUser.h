// Runs a piece of a test as a real user would meet the file system. Root
// ignores file modes, so a test of a read-only file or folder proves
// nothing when the tests run as root (as CI and our machines do); there
// the piece runs in a child process as the unprivileged user nobody, on
// files given to that user first. Run by anyone else, it runs in place.
#pragma once

#include <QByteArray>
#include <QList>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

// body gives what went wrong, or an empty text; so does this. owned are
// the paths (by their bytes) to give to nobody before body runs.
inline std::string AsUnprivilegedUser(const QList<QByteArray>& owned, const std::function<std::string()>& body)
{
    if (::geteuid() != 0)
        return body();
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return "there is no user nobody";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    for (const QByteArray& path : owned) {
        if (::lchown(path.constData(), uid, gid) != 0)
            return "cannot give " + path.toStdString() + " to nobody";
    }
    int result[2];
    if (::pipe(result) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no child process";
    if (child == 0) {
        ::close(result[0]);
        std::string failure;
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 || ::geteuid() == 0)
            failure = "cannot become nobody";
        else
            failure = body();
        (void)!::write(result[1], failure.data(), failure.size());
        ::_exit(0);
    }
    ::close(result[1]);
    std::string failure;
    char buffer[512];
    ssize_t n;
    while ((n = ::read(result[0], buffer, sizeof buffer)) > 0)
        failure.append(buffer, size_t(n));
    ::close(result[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "the unprivileged run ended abnormally";
    return failure;
}
