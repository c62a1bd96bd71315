#pragma once
// What every piece of the updater is given instead of reaching for globals:
// where the installation lives, the log and the way to talk to a person.
#include <QString>

namespace orvalto {

class OperationLog;
class Interaction;

struct AppContext {
  QString exeDir;   // folder of the running executable, no trailing separator
  QString exeName;  // file name of the running executable
  OperationLog* log = nullptr;
  Interaction* ui = nullptr;

  QString exePath() const { return exeDir + '/' + exeName; }
  QString besideExe(const QString& fileName) const { return exeDir + '/' + fileName; }
};

}  // namespace orvalto
