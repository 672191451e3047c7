// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs part of a test as an ordinary user, in a child process that drops root where the tests
// run as root: permissions stop no one else, so checks of what a user may not do need it.

#include <array>
#include <sys/wait.h>
#include <unistd.h>

namespace orsenta::test {

// The numbers `work` gives in the child (a std::array<int, N>); all -1 when the child could
// not give them.
template <typename Work>
auto asOrdinaryUser(Work work) -> decltype(work()) {
    decltype(work()) values;
    values.fill(-1);
    int report[2];
    if (::pipe(report) != 0)
        return values;
    const pid_t child = ::fork();
    if (child == 0) {
        constexpr uid_t nobody = 65534;
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(2);
        const auto given = work();
        ::_exit(::write(report[1], given.data(), sizeof given) == ssize_t(sizeof given) ? 0 : 3);
    }
    ::close(report[1]);
    if (::read(report[0], values.data(), sizeof values) != ssize_t(sizeof values))
        values.fill(-1);
    ::close(report[0]);
    if (child > 0)
        ::waitpid(child, nullptr, 0);
    return values;
}

} // namespace orsenta::test
