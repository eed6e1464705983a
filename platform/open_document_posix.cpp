#include "platform/open_document.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace ks {

// The opener runs as a grandchild that nobody waits for (the middle child
// exits at once and is reaped here), so the caller neither blocks on the
// browser nor leaves a zombie behind. A pipe closed on exec tells whether
// the exec itself worked: it delivers an errno only when it failed.
bool OpenWithDesktop(const std::string& path) {
    // Made before the fork: the children only call what is safe after it.
    const char* argv[] = {"xdg-open", path.c_str(), nullptr};
    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) return false;
    const pid_t middle = ::fork();
    if (middle < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (middle == 0) {
        ::close(report[0]);
        if (::fork() == 0) {
            ::setsid();
            const int null = ::open("/dev/null", O_RDWR);
            if (null >= 0) {
                ::dup2(null, STDIN_FILENO);
                ::dup2(null, STDOUT_FILENO);
                ::dup2(null, STDERR_FILENO);
            }
            ::execvp(argv[0], const_cast<char* const*>(argv));
            const int error = errno;
            (void)!::write(report[1], &error, sizeof error);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(report[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    while ((got = ::read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    return got == 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace ks
