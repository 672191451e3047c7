// SPDX-License-Identifier: GPL-3.0-or-later
#include "actor.h"

namespace orsenta {

Actor::Actor(const QString &name)
    : m_thread(new QThread)
    , m_context(new QObject) {
    m_thread->setObjectName(name);
    m_context->moveToThread(m_thread);
    QObject::connect(m_thread, &QThread::finished, m_context, &QObject::deleteLater);
    m_thread->start();
}

Actor::~Actor() {
    m_thread->quit();
    if (isCurrent()) {
        // The last work on the actor released its owner: the thread cannot wait for itself, so
        // it is deleted once it has finished.
        QObject::connect(m_thread, &QThread::finished, m_thread, &QObject::deleteLater);
        return;
    }
    m_thread->wait();
    delete m_thread;
}

} // namespace orsenta
