#pragma once
// Command line of the simulator.
#include <QString>
#include <optional>

namespace vendorsim {

struct Options {
  QString scenarioFile;
  int httpPort = 0;  // 0: any free port
  int smtpPort = 0;
  QString packagesDir;  // empty: every package is missing
  QString recordFile;   // empty: the record is kept in memory only
  QString mailDir;      // empty: mails are kept in the record only
  QString signKey;      // minisign secret key (unencrypted); empty: nothing is signed
  bool verbose = false;
};

// Reads argv; on a mistake returns nothing and puts the reason in `error`.
std::optional<Options> parseOptions(int argc, char** argv, QString* error);

const char* usageText();

}  // namespace vendorsim
