#pragma once
// The maker's download server: package files streamed from a folder, with
// the failures a test asks for (error status, cut connection, slow link).
#include "scenario.h"

#include <QString>

namespace httplib {
struct Response;
}

namespace vendorsim {

// Fills `response` for the file `name` of `folder`; returns the HTTP status.
// Large files are never held in memory: they are read piece by piece while
// the connection takes them.
int servePackage(const QString& folder, const QString& name, const PackageConfig& config,
                 httplib::Response& response);

// A file name without any folder part; anything else is refused.
bool isPlainFileName(const QString& name);

}  // namespace vendorsim
