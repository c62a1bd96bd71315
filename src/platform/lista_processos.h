#pragma once
// The process list, seen the way the updater needs it: bare executable file
// names, compared in upper case (letters a to z only).
#include <QString>
#include <QStringList>

namespace orvalto {

// Bare executable names of every running process (one entry per process).
QStringList runningExecutableNames();

// Number of running processes whose executable name equals `exeName`;
// the calling process counts itself.
int FContaProcessos(const QString& exeName);

// Name of the database server's guardian process: "fbguard" here,
// "fbguard.exe" on Windows. ORVALTO_GUARDIAN overrides it so that tests can
// play the guardian with a process of their own.
QString guardianProcessName();

// True when a process with the guardian's name runs.
bool FGuardiaoAtivo();

}  // namespace orvalto
