#pragma once
// Attaching to a database or to a server's service manager, bounded in time: a server
// that accepts the connection and never answers, or a network that swallows it, must not
// hold the program for the engine's three minutes.
#include "db/Firebird.h"

#include <QByteArray>

namespace db::fb {

// How long an attach waits for the server, in seconds.
constexpr int AttachTimeout = 15;

// Through the network the attach runs on a thread of its own while this thread waits for it, at
// most `seconds` and a little more, keeping its events flowing (timers, painting, a signal that
// ends the program), user input aside. The block should carry the connect timeout
// (isc_dpb_connect_timeout) too, so that the engine itself gives up where it can. A
// failure, or a server that has not answered in time, throws Error; an attach given up
// goes on unobserved and its result is let go when it ends.
Firebird::IAttachment* attachDatabase(const QByteArray& name, const QByteArray& dpb,
                                      int seconds = AttachTimeout);
Firebird::IService* attachServiceManager(const QByteArray& name, const QByteArray& spb,
                                         int seconds = AttachTimeout);

// Attaches given up that still wait for their server. While one to a server runs, a new
// attach to that server waits for it to end (within its own time) instead of starting
// another; when it does not end, the new one fails as not answered too. The engine's
// shutdown would wait for them for ever: a program that has any leaves without it.
int givenUpAttaches();

// The message of an attach that the server did not answer in time.
QString noAnswerMessage(int seconds);

}  // namespace db::fb
