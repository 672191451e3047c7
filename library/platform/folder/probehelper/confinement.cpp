// SPDX-License-Identifier: GPL-3.0-or-later
#include "confinement.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <seccomp.h>
#include <sys/prctl.h>

namespace orsenta::platform::probehelper {

namespace {

// Every way to reach a file by its name, to change the file system, to run a program, to reach
// another process or the network. io_uring is here because its operations open files and
// sockets without passing through these system calls.
constexpr const char *refused[] = {
    // opening by name
    "open",
    "openat",
    "openat2",
    "creat",
    "open_by_handle_at",
    "name_to_handle_at",
    "open_tree",
    "fsopen",
    "fspick",
    "mount",
    "move_mount",
    "umount2",
    "pivot_root",
    "chroot",
    "uselib",
    "memfd_create",
    "memfd_secret",
    // changing the file system
    "mknod",
    "mknodat",
    "link",
    "linkat",
    "symlink",
    "symlinkat",
    "unlink",
    "unlinkat",
    "rename",
    "renameat",
    "renameat2",
    "mkdir",
    "mkdirat",
    "rmdir",
    "truncate",
    "chmod",
    "fchmodat",
    "chown",
    "lchown",
    "fchownat",
    "utime",
    "utimes",
    "futimesat",
    "utimensat",
    "setxattr",
    "lsetxattr",
    "removexattr",
    "lremovexattr",
    // running programs
    "execve",
    "execveat",
    // sockets
    "socket",
    "socketpair",
    "connect",
    "bind",
    "listen",
    "accept",
    "accept4",
    // other processes and asynchronous back doors
    "ptrace",
    "process_vm_readv",
    "process_vm_writev",
    "pidfd_getfd",
    "io_uring_setup",
    "io_uring_enter",
    "io_uring_register",
    "userfaultfd",
    "bpf",
    "perf_event_open",
    "kexec_load",
    "init_module",
    "finit_module",
};

struct ContextDeleter {
    void operator()(scmp_filter_ctx context) const { seccomp_release(context); }
};

QString failed(const char *what, int code) {
    return QStringLiteral("%1: %2").arg(QString::fromUtf8(what),
                                        QString::fromUtf8(std::strerror(code < 0 ? -code : code)));
}

} // namespace

bool confine(QString &error) {
    // Without it the kernel refuses a filter from an unprivileged process, and a set-user-ID
    // program could not be used to escape the filter.
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) {
        error = failed("no_new_privs", errno);
        return false;
    }
    const std::unique_ptr<void, ContextDeleter> context(seccomp_init(SCMP_ACT_ALLOW));
    if (!context) {
        error = QStringLiteral("seccomp is not available");
        return false;
    }
    // Threads some library may already have started are confined too, not only later ones.
    if (const int synced = seccomp_attr_set(context.get(), SCMP_FLTATR_CTL_TSYNC, 1); synced != 0) {
        error = failed("thread synchronisation", synced);
        return false;
    }
    for (const char *name : refused) {
        // A call this kernel or libseccomp does not know cannot be made either.
        const int number = seccomp_syscall_resolve_name(name);
        if (number == __NR_SCMP_ERROR)
            continue;
        if (const int added = seccomp_rule_add(context.get(), SCMP_ACT_ERRNO(EACCES), number, 0);
            added != 0) {
            error = failed(name, added);
            return false;
        }
    }
    if (const int loaded = seccomp_load(context.get()); loaded != 0) {
        error = failed("seccomp", loaded);
        return false;
    }
    return true;
}

} // namespace orsenta::platform::probehelper
