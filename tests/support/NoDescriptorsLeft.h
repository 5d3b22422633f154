#pragma once

#include <QList>
#include <QtGlobal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

// While it lives, this process has no file descriptor left to give (EMFILE), as a machine that
// ran short would: the soft limit is lowered just past what is open, and the rest is taken up.
// Nothing that needs a new descriptor works meanwhile, so keep the scope to the call under test.
class NoDescriptorsLeft
{
public:
    NoDescriptorsLeft()
    {
        if (::getrlimit(RLIMIT_NOFILE, &m_limit) != 0) {
            qFatal("NoDescriptorsLeft: no limit to read");
        }
        // The lowest descriptor free: every one below the lowered limit is taken from here on.
        const int first = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (first < 0) {
            qFatal("NoDescriptorsLeft: no descriptor to start from");
        }
        m_taken.append(first);
        rlimit lowered = m_limit;
        lowered.rlim_cur = static_cast<rlim_t>(first) + 64;
        if (lowered.rlim_cur > m_limit.rlim_cur || ::setrlimit(RLIMIT_NOFILE, &lowered) != 0) {
            qFatal("NoDescriptorsLeft: cannot lower the limit");
        }
        for (int descriptor = ::fcntl(first, F_DUPFD_CLOEXEC, 0); descriptor >= 0;
             descriptor = ::fcntl(first, F_DUPFD_CLOEXEC, 0)) {
            m_taken.append(descriptor);
        }
    }

    ~NoDescriptorsLeft()
    {
        for (const int descriptor : m_taken) {
            ::close(descriptor);
        }
        ::setrlimit(RLIMIT_NOFILE, &m_limit);
    }

    NoDescriptorsLeft(const NoDescriptorsLeft&) = delete;
    NoDescriptorsLeft& operator=(const NoDescriptorsLeft&) = delete;

private:
    rlimit m_limit{};
    QList<int> m_taken;
};
