#pragma once

#include <QString>
#include <QStringList>

#include <atomic>

/**
 * Private networks for probing names without sending anything beyond loopback. A program re-runs
 * itself under `unshare --mount --net` (unshareArguments); inside, enterPrivateNetwork() checks that
 * loopback is the only interface, brings it up and points the resolver at a DNS stand-in on
 * 127.0.0.1:53 (startDnsStandIn) through private copies of /etc/resolv.conf and /etc/nsswitch.conf.
 */
namespace NetNamespace {

/** How the stand-in answers: "no such name" at once, or never (a silent resolver). */
enum class Dns { NoSuchName, Silent };

/** The command line that runs program with arguments in fresh mount and network namespaces; empty,
 *  with skip set to the reason, where this machine cannot make them (not root, no unshare). */
QStringList unshareArguments(const QString& program, const QStringList& arguments, QString* skip);

/** Inside the namespaces: refuses unless loopback is the only interface, then sets up loopback and the
 *  resolver files. false with error set when any step fails. */
bool enterPrivateNetwork(QString* error);

/** Serves DNS on 127.0.0.1:53 from a thread of its own; counts the queries it reads in queries (may be
 *  null). false when the port cannot be bound. */
bool startDnsStandIn(Dns mode, std::atomic<int>* queries);

} // namespace NetNamespace
