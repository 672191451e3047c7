// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Confines the orsenta-probe helper once it has loaded what it needs: after confine() it can
// still read, seek and map the descriptors it is given, allocate memory and start threads, but
// not open a file by its name, execute a program or make a socket, so that a demuxer or decoder
// turned by a hostile file reaches nothing beyond the file it was handed.

#include <QString>

namespace orsenta::platform::probehelper {

// Sets no_new_privs and installs the seccomp filter for this process and the threads it starts
// later. Refused calls fail with EACCES rather than killing the process, so that a library that
// tries one gets a clean error. Returns false, with `error` saying why, when the kernel refuses.
bool confine(QString &error);

} // namespace orsenta::platform::probehelper
