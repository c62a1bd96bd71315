#include "options.h"

#include <cstring>

namespace vendorsim {

namespace {

bool parsePort(const char* text, int* port) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 0 || value > 65535) return false;
  *port = static_cast<int>(value);
  return true;
}

}  // namespace

const char* usageText() {
  return "usage: orvalto-vendor-sim --scenario FILE [--port N] [--smtp-port N]\n"
         "                          [--packages DIR] [--record FILE] [--mail-dir DIR]\n"
         "                          [--sign-key MINISIGN_SECRET_KEY] [--verbose]\n";
}

std::optional<Options> parseOptions(int argc, char** argv, QString* error) {
  Options options;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (std::strcmp(arg, "--verbose") == 0) {
      options.verbose = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = QStringLiteral("missing value after %1").arg(QString::fromLocal8Bit(arg));
      return std::nullopt;
    }
    const char* value = argv[++i];
    if (std::strcmp(arg, "--scenario") == 0) {
      options.scenarioFile = QString::fromLocal8Bit(value);
    } else if (std::strcmp(arg, "--packages") == 0) {
      options.packagesDir = QString::fromLocal8Bit(value);
    } else if (std::strcmp(arg, "--record") == 0) {
      options.recordFile = QString::fromLocal8Bit(value);
    } else if (std::strcmp(arg, "--sign-key") == 0) {
      options.signKey = QString::fromLocal8Bit(value);
    } else if (std::strcmp(arg, "--mail-dir") == 0) {
      options.mailDir = QString::fromLocal8Bit(value);
    } else if (std::strcmp(arg, "--port") == 0 || std::strcmp(arg, "--smtp-port") == 0) {
      int* port = std::strcmp(arg, "--port") == 0 ? &options.httpPort : &options.smtpPort;
      if (!parsePort(value, port)) {
        *error = QStringLiteral("bad port: %1").arg(QString::fromLocal8Bit(value));
        return std::nullopt;
      }
    } else {
      *error = QStringLiteral("unknown option: %1").arg(QString::fromLocal8Bit(arg));
      return std::nullopt;
    }
  }
  if (options.scenarioFile.isEmpty()) {
    *error = QStringLiteral("--scenario is required");
    return std::nullopt;
  }
  return options;
}

}  // namespace vendorsim
